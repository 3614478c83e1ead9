# Reference values for one data set of generate.py, computed in base R from
# the published definitions: Rscript reference.R FOLDER [LEVEL]. Writes
# FOLDER/reference.tsv (test number in generate.py's TESTS, the result
# document's attribute path or a named comparison, the value) and
# FOLDER/subsets-reference.tsv (per row of subsets.csv: statistic,
# significance, adjusted significance).
args <- commandArgs(TRUE)
dir <- args[1]
lvl <- if (length(args) > 1) as.numeric(args[2]) else 0.95
a2 <- (1 - lvl) / 2
zq <- qnorm(1 - a2)
d <- read.csv(file.path(dir, "data.csv"))
out <- data.frame(test = integer(), key = character(), value = numeric())
put <- function(t, k, v) out[nrow(out) + 1, ] <<- list(t, k, v)

# The limits of a noncentral chi-square's noncentrality for an observed
# statistic (Steiger 2004), as the effect sizes' intervals invert it.
ncpLimits <- function(x2, df) {
  f <- function(ncp, q) pchisq(x2, df, ncp) - q
  lo <- if (f(0, 1 - a2) <= 0) 0 else uniroot(f, c(0, x2 + 100), q = 1 - a2, tol = 1e-13)$root
  up <- if (f(0, a2) <= 0) 0 else uniroot(f, c(0, 10 * x2 + 100), q = a2, tol = 1e-13)$root
  c(lo, up)
}

# 0: success-rate intervals. Clopper-Pearson: binom.test. Jeffreys: the
# equal-tailed beta quantiles, also at x = 0 and x = n (the engine's
# convention). Likelihood ratio: the profile likelihood's roots.
x <- d$c[!is.na(d$c)]; n <- length(x); s <- sum(x == 1)
if (n > 0) {
  cp <- binom.test(s, n, conf.level = lvl)$conf.int
  put(0, "ClopperPearson/ConfidenceInterval/Lower", cp[1])
  put(0, "ClopperPearson/ConfidenceInterval/Upper", cp[2])
  put(0, "Jeffreys/ConfidenceInterval/Lower", qbeta(a2, s + 0.5, n - s + 0.5))
  put(0, "Jeffreys/ConfidenceInterval/Upper", qbeta(1 - a2, s + 0.5, n - s + 0.5))
  ll <- function(p) (if (s > 0) s * log(p) else 0) + (if (n - s > 0) (n - s) * log(1 - p) else 0)
  ph <- s / n; crit <- qchisq(lvl, 1) / 2
  g <- function(p) ll(ph) - ll(p) - crit
  put(0, "ProfileLikelihood/ConfidenceInterval/Lower", if (s == 0) 0 else uniroot(g, c(1e-300, ph), tol = 1e-14)$root)
  put(0, "ProfileLikelihood/ConfidenceInterval/Upper", if (s == n) 1 else uniroot(g, c(ph, 1 - 1e-16), tol = 1e-14)$root)
}

# 1, 2, 15: Moses. The span of the control group from its (h+1)-th lowest to
# its (h+1)-th highest case, tied values ordered to make it largest; the exact
# significance by enumerating every placement of the control cases when there
# are at most 200,000, else by Moses' (1952) sum.
mosesSpan <- function(ctl, exp, h) {
  all <- c(ctl, exp); cs <- sort(ctl); m <- length(cs)
  vlo <- cs[h + 1]; vhi <- cs[m - h]
  lowPos <- sum(all < vlo) + (h + 1 - sum(cs < vlo))
  highPos <- sum(all <= vhi) - (h + 1 - sum(cs > vhi)) + 1
  highPos - lowPos + 1
}
mosesP <- function(span, m, n, h) {
  N <- m + n
  if (choose(N, m) <= 2e5) {
    placements <- combn(N, m)
    return(mean(placements[m - h, ] - placements[h + 1, ] + 1 <= span))
  }
  g <- floor(span) - (m - 2 * h)
  if (g < 0) return(0)
  i <- 0:min(g, n)
  sum(exp(lchoose(i + m - 2 * h - 2, i) + lchoose(n + 2 * h + 1 - i, n - i) - lchoose(N, m)))
}
moses <- function(t, controlValue, h) {
  ok <- !is.na(d$y) & !is.na(d$g2)
  ctl <- d$y[ok & d$g2 == controlValue]; exp <- d$y[ok & d$g2 != controlValue]
  m <- length(ctl); n <- length(exp)
  if (m < 2 || n < 1) return()
  h <- min(h, (m - 2) %/% 2)
  s0 <- mosesSpan(ctl, exp, 0); s1 <- mosesSpan(ctl, exp, h)
  put(t, "StatisticsResult/ObservedControlGroup/TestStatistic", s0)
  put(t, "StatisticsResult/ObservedControlGroup/ExactSig1Tailed", mosesP(s0, m, n, 0))
  put(t, "StatisticsResult/TrimmedControlGroup/TestStatistic", s1)
  put(t, "StatisticsResult/TrimmedControlGroup/ExactSig1Tailed", mosesP(s1, m, n, h))
  put(t, "StatisticsResult/TrimmedControlGroup/OutliersTrimmedFromEachEnd", h)
}
controlCases <- function(v) sum(!is.na(d$y) & !is.na(d$g2) & d$g2 == v)
g2values <- sort(unique(d$g2[!is.na(d$g2) & !is.na(d$y)]))
if (length(g2values) == 2) {
  invisible(moses(1, g2values[1], max(1, floor(0.05 * controlCases(g2values[1])))))
  invisible(moses(2, 2, 1))
  invisible(moses(15, g2values[1], max(1, floor(0.1 * controlCases(g2values[1])))))
}

# 3: marginal homogeneity with scores 1..k, the positions of the values the
# two fields take anywhere in the data; over the cases off the diagonal.
ok <- !is.na(d$o1) & !is.na(d$o2)
categories <- sort(unique(c(d$o1[!is.na(d$o1)], d$o2[!is.na(d$o2)])))
ra <- match(d$o1[ok], categories); rb <- match(d$o2[ok], categories); off <- ra != rb
if (sum(off) > 0) {
  observed <- sum(ra[off]); mu <- sum((ra[off] + rb[off]) / 2); sdv <- sqrt(sum((ra[off] - rb[off])^2) / 4)
  z <- (observed - mu) / sdv
  put(3, "StatisticsResult/TestStatistic", observed); put(3, "StatisticsResult/MeanOfTestStatistic", mu)
  put(3, "StatisticsResult/StandardError", sdv); put(3, "StatisticsResult/StandardizedTestStatistic", z)
  put(3, "StatisticsResult/AsymptoticSig2Tailed", 2 * pnorm(-abs(z)))
}

# 4: Cochran's Q and its pairwise comparisons (differences of the proportions
# of successes, SE sqrt(2 (k T - sum R^2) / (N^2 k (k - 1))), Bonferroni).
ok <- !is.na(d$b1) & !is.na(d$b2) & !is.na(d$b3)
X <- cbind(d$b1[ok], d$b2[ok], d$b3[ok]) == 1; N <- nrow(X); k <- 3
C <- colSums(X); R <- rowSums(X); Tt <- sum(C); den <- k * Tt - sum(R^2)
if (N > 0 && den > 0) {
  Q <- (k - 1) * (k * sum(C^2) - Tt^2) / den
  put(4, "StatisticsResult/TestStatistic", Q)
  put(4, "StatisticsResult/AsymptoticSig2Tailed", pchisq(Q, k - 1, lower.tail = FALSE))
  se <- sqrt(2 * den / (N^2 * k * (k - 1)))
  for (i in 1:2) for (j in (i + 1):3) {
    difference <- (C[i] - C[j]) / N; p <- 2 * pnorm(-abs(difference / se))
    put(4, sprintf("fields %d %d statistic", i + 6, j + 6), difference)
    put(4, sprintf("fields %d %d se", i + 6, j + 6), se)
    put(4, sprintf("fields %d %d sig", i + 6, j + 6), p)
    put(4, sprintf("fields %d %d adjusted", i + 6, j + 6), min(1, 3 * p))
  }
}

# 5, 13: the median test about the pooled median, with Cramer's V and its
# interval (held at 1, the largest V there is); for two groups Yates's
# correction and, up to 30 cases, Fisher's exact test.
medianTest <- function(t, group) {
  ok <- !is.na(d$y) & !is.na(d[[group]]); y <- d$y[ok]; g <- d[[group]][ok]
  if (length(unique(g)) < 2) return()
  med <- median(y); tab <- table(factor(y > med, levels = c(TRUE, FALSE)), g)
  if (any(rowSums(tab) == 0)) return()
  ch <- suppressWarnings(chisq.test(tab, correct = FALSE))
  put(t, "StatisticsResult/Median", med)
  put(t, "StatisticsResult/TestStatistic", ch$statistic)
  put(t, "StatisticsResult/AsymptoticSig2Tailed", ch$p.value)
  nn <- sum(tab); limits <- ncpLimits(ch$statistic, ncol(tab) - 1)
  put(t, "StatisticsResult/EffectSize/CramersV", sqrt(ch$statistic / nn))
  put(t, "StatisticsResult/EffectSize/LowerLimit", min(1, sqrt(limits[1] / nn)))
  put(t, "StatisticsResult/EffectSize/UpperLimit", min(1, sqrt(limits[2] / nn)))
  if (ncol(tab) == 2) {
    yates <- suppressWarnings(chisq.test(tab, correct = TRUE))
    put(t, "StatisticsResult/YatesContinuityCorrection/TestStatistic", yates$statistic)
    put(t, "StatisticsResult/YatesContinuityCorrection/AsymptoticSig2Tailed", yates$p.value)
    if (nn <= 30) put(t, "StatisticsResult/FisherExactSig", fisher.test(tab)$p.value)
  }
}
invisible(medianTest(5, "g3")); invisible(medianTest(13, "g2"))

# Jonckheere-Terpstra's J of samples in the test's order, its mean and its
# standard deviation with the tie correction (Lehmann 1975).
jonckheere <- function(sets) {
  J <- 0
  for (j in 2:length(sets)) for (i in 1:(j - 1))
    J <- J + sum(outer(sets[[j]], sets[[i]], ">")) + 0.5 * sum(outer(sets[[j]], sets[[i]], "=="))
  ns <- sapply(sets, length); N <- sum(ns); tt <- table(unlist(sets))
  mu <- (N^2 - sum(ns^2)) / 4
  # (The tie terms are 0 when their denominators are: no group or tie of
  # three values, of two.)
  v <- (N * (N - 1) * (2 * N + 5) - sum(ns * (ns - 1) * (2 * ns + 5)) - sum(tt * (tt - 1) * (2 * tt + 5))) / 72 +
    (if (N > 2) sum(ns * (ns - 1) * (ns - 2)) * sum(tt * (tt - 1) * (tt - 2)) / (36 * N * (N - 1) * (N - 2)) else 0) +
    (if (N > 1) sum(ns * (ns - 1)) * sum(tt * (tt - 1)) / (8 * N * (N - 1)) else 0)
  c(J, mu, sqrt(v))
}

# 6, 14: Jonckheere-Terpstra with its pairwise comparisons, one-sided in the
# test's order, Bonferroni-adjusted.
jt <- function(t, descending) {
  ok <- !is.na(d$y) & !is.na(d$g3); y <- d$y[ok]; g <- d$g3[ok]
  groups <- sort(unique(g)); if (descending) groups <- rev(groups)
  if (length(groups) < 2) return()
  sets <- lapply(groups, function(v) y[g == v])
  r <- jonckheere(sets)
  put(t, "StatisticsResult/TestStatistic", r[1]); put(t, "StatisticsResult/MeanOfTestStatistic", r[2])
  put(t, "StatisticsResult/StandardError", r[3])
  put(t, "StatisticsResult/StandardizedTestStatistic", (r[1] - r[2]) / r[3])
  pairs <- choose(length(groups), 2)
  for (i in 1:(length(groups) - 1)) for (j in (i + 1):length(groups)) {
    q <- jonckheere(sets[c(i, j)])
    if (!isTRUE(q[3] > 0)) next
    z <- (q[1] - q[2]) / q[3]; p <- pnorm(z, lower.tail = FALSE)
    key <- sprintf("groups %g %g", groups[i], groups[j])
    put(t, paste(key, "statistic"), q[1]); put(t, paste(key, "se"), q[3])
    put(t, paste(key, "z"), z); put(t, paste(key, "sig"), p); put(t, paste(key, "adjusted"), min(1, pairs * p))
  }
}
invisible(jt(6, FALSE)); invisible(jt(14, TRUE))

# 7: the chi-square test of equal proportions with Cohen's w and its interval.
x <- d$c[!is.na(d$c)]
if (length(unique(x)) > 1) {
  ch <- suppressWarnings(chisq.test(table(x))); n <- length(x); limits <- ncpLimits(ch$statistic, ch$parameter)
  put(7, "StatisticsResult/TestStatistic", ch$statistic)
  put(7, "StatisticsResult/EffectSize/CohensW", sqrt(ch$statistic / n))
  put(7, "StatisticsResult/EffectSize/LowerLimit", sqrt(limits[1] / n))
  put(7, "StatisticsResult/EffectSize/UpperLimit", sqrt(limits[2] / n))
}

# 8: the Mann-Whitney rank-biserial correlation 2 U2 / (n1 n2) - 1 with
# Fisher's z interval, SE sqrt((n1 + n2 + 1) / (3 n1 n2)).
ok <- !is.na(d$y) & !is.na(d$g2); y <- d$y[ok]; g <- d$g2[ok]
if (length(unique(g)) == 2) {
  groups <- sort(unique(g)); y1 <- y[g == groups[1]]; y2 <- y[g == groups[2]]
  n1 <- length(y1); n2 <- length(y2)
  r <- 2 * (sum(outer(y2, y1, ">")) + 0.5 * sum(outer(y2, y1, "=="))) / (n1 * n2) - 1
  put(8, "StatisticsResult/EffectSize/RankBiserialCorrelation", r)
  if (abs(r) < 1) {
    se <- sqrt((n1 + n2 + 1) / (3 * n1 * n2))
    put(8, "StatisticsResult/EffectSize/LowerLimit", tanh(atanh(r) - zq * se))
    put(8, "StatisticsResult/EffectSize/UpperLimit", tanh(atanh(r) + zq * se))
  }
}

# The paired differences y2 - y, rounded to the decimals the data are
# written with.
decimalsOf <- function(v) max(0, nchar(sub("^[^.]*\\.?", "", format(v, scientific = FALSE, drop0trailing = TRUE))))
ok <- !is.na(d$y) & !is.na(d$y2)
differences <- round(d$y2[ok] - d$y[ok], max(0, sapply(c(d$y[ok], d$y2[ok]), decimalsOf)))

# 9: the matched-pairs rank-biserial correlation (Kerby 2014), zeros dropped,
# with Fisher's z interval.
nonzero <- differences[differences != 0]; nd <- length(nonzero)
if (nd > 0) {
  rk <- rank(abs(nonzero)); total <- nd * (nd + 1) / 2
  r <- (sum(rk[nonzero > 0]) - sum(rk[nonzero < 0])) / total
  put(9, "StatisticsResult/EffectSize/RankBiserialCorrelation", r)
  if (abs(r) < 1) {
    se <- sqrt((2 * nd^3 + 3 * nd^2 + nd) / 6) / total
    put(9, "StatisticsResult/EffectSize/LowerLimit", tanh(atanh(r) - zq * se))
    put(9, "StatisticsResult/EffectSize/UpperLimit", tanh(atanh(r) + zq * se))
  }
}

# 10: McNemar's odds ratio of the discordant pairs with the Clopper-Pearson
# interval of b / (b + c) as odds (Agresti 2013, 11.1.4).
ok <- !is.na(d$b1) & !is.na(d$b2)
bb <- sum(d$b1[ok] == 1 & d$b2[ok] == 0); cc <- sum(d$b1[ok] == 0 & d$b2[ok] == 1)
if (cc > 0) {
  ci <- binom.test(bb, bb + cc, conf.level = lvl)$conf.int
  put(10, "StatisticsResult/EffectSize/OddsRatio", bb / cc)
  put(10, "StatisticsResult/EffectSize/LowerLimit", ci[1] / (1 - ci[1]))
  if (ci[2] < 1) put(10, "StatisticsResult/EffectSize/UpperLimit", ci[2] / (1 - ci[2]))
}

# 11: Kruskal-Wallis H and epsilon-squared H / ((n^2 - 1) / (n + 1)).
ok <- !is.na(d$y) & !is.na(d$g3)
if (length(unique(d$g3[ok])) > 1 && length(unique(d$y[ok])) > 1) {
  kw <- kruskal.test(d$y[ok], d$g3[ok]); n <- sum(ok)
  put(11, "StatisticsResult/TestStatistic", kw$statistic)
  put(11, "StatisticsResult/EffectSize/EpsilonSquared", kw$statistic / ((n^2 - 1) / (n + 1)))
}

# 12: Kendall's W = Friedman's chi-square / (N (k - 1)).
ok <- complete.cases(d[, c("o1", "o2", "o3")])
if (sum(ok) > 1) {
  fr <- friedman.test(as.matrix(d[ok, c("o1", "o2", "o3")]))
  if (is.finite(fr$statistic)) put(12, "StatisticsResult/KendallsW", fr$statistic / (sum(ok) * 2))
}

# 16, 17: Hodges-Lehmann estimates (the median of the Walsh averages of the
# nonzero paired differences; the median of the pairwise differences of two
# groups) and their exact intervals, where the engine's rule makes them exact
# (at most 50 cases, no ties; zeros dropped). R's wilcox.test gives the
# exact interval of two groups; the paired one is formed as R forms it
# (qsignrank), since R turns to the normal approximation when there are
# zeros. The normal approximation's intervals are not compared: with ties the
# engine takes the Walsh averages at the normal approximation's ordinals, R
# the roots of its tie-corrected statistic.
if (nd > 1) {
  walsh <- outer(nonzero, nonzero, "+") / 2
  walsh <- sort(walsh[upper.tri(walsh, diag = TRUE)])
  put(16, "StatisticsResult/Estimate", median(walsh))
  if (nd <= 50 && !any(duplicated(abs(nonzero)))) {
    qu <- qsignrank(a2, nd); if (qu == 0) qu <- 1
    ql <- nd * (nd + 1) / 2 - qu
    put(16, "StatisticsResult/Asymptotic/Lower", walsh[qu])
    put(16, "StatisticsResult/Asymptotic/Upper", walsh[ql + 1])
  }
}
ok <- !is.na(d$y) & !is.na(d$g2); groups <- sort(unique(d$g2[ok]))
if (length(groups) == 2) {
  first <- d$y[ok & d$g2 == groups[1]]; second <- d$y[ok & d$g2 == groups[2]]
  put(17, "StatisticsResult/Estimate", median(outer(second, first, "-")))
  if (length(first) + length(second) <= 50 && !any(duplicated(c(first, second)))) {
    # (R warns when few cases cannot reach the level; it then gives the
    # widest interval, as the engine does.)
    w <- suppressWarnings(wilcox.test(second, first, conf.int = TRUE, conf.level = lvl, exact = TRUE))
    put(17, "StatisticsResult/Asymptotic/Lower", w$conf.int[1])
    put(17, "StatisticsResult/Asymptotic/Upper", w$conf.int[2])
  }
}
# The signed-rank statistic W+ of differences, zeros dropped: its standard
# error with the tie correction, z, the asymptotic significance and, at most
# 50 differences without ties, the exact one.
signedRank <- function(t, differences) {
  nonzero <- differences[differences != 0]; n <- length(nonzero)
  if (n == 0) return()
  rk <- rank(abs(nonzero)); ties <- table(abs(nonzero))
  w <- sum(rk[nonzero > 0])
  se <- sqrt(n * (n + 1) * (2 * n + 1) / 24 - sum(ties^3 - ties) / 48)
  put(t, "StatisticsResult/TestStatistic", w)
  if (!(se > 0)) return()
  z <- (w - n * (n + 1) / 4) / se
  put(t, "StatisticsResult/StandardError", se)
  put(t, "StatisticsResult/StandardizedTestStatistic", z)
  put(t, "StatisticsResult/AsymptoticSig2Tailed", 2 * pnorm(-abs(z)))
  if (n <= 50 && all(ties == 1))
    put(t, "StatisticsResult/ExactSig2Tailed", min(1, 2 * min(psignrank(w, n), psignrank(w - 1, n, lower.tail = FALSE))))
}
invisible(signedRank(9, differences))

# 8: Mann-Whitney U and W of the second group, z with the tie correction and
# no continuity correction, and the exact significance (wilcox.test) at most
# 50 cases without ties.
ok <- !is.na(d$y) & !is.na(d$g2); groups <- sort(unique(d$g2[ok]))
if (length(groups) == 2) {
  first <- d$y[ok & d$g2 == groups[1]]; second <- d$y[ok & d$g2 == groups[2]]
  n1 <- length(first); n2 <- length(second); N <- n1 + n2
  ranks <- rank(c(first, second)); ties <- table(c(first, second))
  w <- sum(ranks[(n1 + 1):N]); u <- w - n2 * (n2 + 1) / 2
  se <- sqrt(n1 * n2 / 12 * ((N + 1) - sum(ties^3 - ties) / (N * (N - 1))))
  put(8, "StatisticsResult/MannWhitneyU", u); put(8, "StatisticsResult/WilcoxonW", w)
  if (se > 0) {
    z <- (u - n1 * n2 / 2) / se
    put(8, "StatisticsResult/StandardError", se); put(8, "StatisticsResult/StandardizedTestStatistic", z)
    put(8, "StatisticsResult/AsymptoticSig2Tailed", 2 * pnorm(-abs(z)))
  }
  if (N <= 50 && all(ties == 1))
    put(8, "StatisticsResult/ExactSig2Tailed", wilcox.test(second, first, exact = TRUE)$p.value)
}

# 10: McNemar's chi-square with the continuity correction (held at 0 when
# b = c) and, for at most 25 discordant pairs, the exact binomial significance.
if (bb + cc > 0) {
  statistic <- max(0, abs(bb - cc) - 1)^2 / (bb + cc)
  put(10, "StatisticsResult/TestStatistic", statistic)
  put(10, "StatisticsResult/AsymptoticSig2Tailed", pchisq(statistic, 1, lower.tail = FALSE))
  if (bb + cc <= 25) put(10, "StatisticsResult/ExactSig2Tailed", binom.test(bb, bb + cc)$p.value)
}

# 11: Dunn's pairwise comparisons after Kruskal-Wallis: mean rank
# differences, SE with the tie correction, two-sided, Bonferroni.
ok <- !is.na(d$y) & !is.na(d$g3); y <- d$y[ok]; g <- d$g3[ok]; groups <- sort(unique(g))
if (length(groups) > 1) {
  N <- length(y); ranks <- rank(y); ties <- table(y)
  spread <- N * (N + 1) / 12 - sum(ties^3 - ties) / (12 * (N - 1))
  for (i in 1:(length(groups) - 1)) for (j in (i + 1):length(groups)) {
    a <- g == groups[i]; b <- g == groups[j]
    se <- sqrt(spread * (1 / sum(a) + 1 / sum(b)))
    if (!isTRUE(se > 0)) next
    difference <- mean(ranks[a]) - mean(ranks[b]); p <- 2 * pnorm(-abs(difference / se))
    key <- sprintf("contrast %g %g", groups[i], groups[j])
    put(11, paste(key, "statistic"), difference); put(11, paste(key, "se"), se)
    put(11, paste(key, "z"), difference / se); put(11, paste(key, "sig"), p)
    put(11, paste(key, "adjusted"), min(1, choose(length(groups), 2) * p))
  }
}

# 18: Friedman's chi-square and its pairwise comparisons: mean rank
# differences, SE sqrt(k (k + 1) / (6 N)), Bonferroni.
ok <- complete.cases(d[, c("o1", "o2", "o3")])
if (sum(ok) > 1) {
  M <- as.matrix(d[ok, c("o1", "o2", "o3")]); fr <- friedman.test(M)
  if (is.finite(fr$statistic)) {
    put(18, "StatisticsResult/TestStatistic", fr$statistic)
    put(18, "StatisticsResult/AsymptoticSig2Tailed", fr$p.value)
  }
  meanRanks <- colMeans(t(apply(M, 1, rank))); se <- sqrt(3 * 4 / (6 * nrow(M)))
  for (i in 1:2) for (j in (i + 1):3) {
    difference <- meanRanks[i] - meanRanks[j]; p <- 2 * pnorm(-abs(difference / se))
    key <- sprintf("fields %d %d", i + 3, j + 3)
    put(18, paste(key, "statistic"), difference); put(18, paste(key, "se"), se)
    put(18, paste(key, "z"), difference / se); put(18, paste(key, "sig"), p)
    put(18, paste(key, "adjusted"), min(1, 3 * p))
  }
}

# 19: the sign test of y2 - y: positive differences, SE sqrt(n) / 2, z with
# a continuity correction of 0.5 toward the mean, and the exact binomial
# significance at most 25 nonzero differences.
n <- length(nonzero)
if (n > 0) {
  positive <- sum(nonzero > 0); se <- sqrt(n) / 2; shift <- positive - n / 2
  z <- sign(shift) * max(0, abs(shift) - 0.5) / se
  put(19, "StatisticsResult/TestStatistic", positive); put(19, "StatisticsResult/StandardError", se)
  put(19, "StatisticsResult/StandardizedTestStatistic", z)
  put(19, "StatisticsResult/AsymptoticSig2Tailed", 2 * pnorm(-abs(z)))
  if (n <= 25) put(19, "StatisticsResult/ExactSig2Tailed", binom.test(positive, n)$p.value)
}

# 20: the binomial test of c = 1 against p = .5: the count, the normal
# approximation's SE and z, the exact significance (binom.test).
x <- d$c[!is.na(d$c)]; n <- length(x); s <- sum(x == 1)
if (n > 0) {
  put(20, "StatisticsResult/TestStatistic", s); put(20, "StatisticsResult/StandardError", sqrt(n) / 2)
  put(20, "StatisticsResult/StandardizedTestStatistic", (s - n / 2) / (sqrt(n) / 2))
  put(20, "StatisticsResult/ExactSig2Tailed", binom.test(s, n)$p.value)
}

# 21: the runs test about the median (cases below it against cases at or
# above it, in data order), with a continuity correction of 0.5 toward the
# mean below 50 cases.
y <- d$y[!is.na(d$y)]; above <- y >= median(y); n1 <- sum(!above); n2 <- sum(above); N <- n1 + n2
if (n1 > 0 && n2 > 0) {
  runs <- 1 + sum(above[-1] != above[-N])
  mu <- 2 * n1 * n2 / N + 1; sdv <- sqrt(2 * n1 * n2 * (2 * n1 * n2 - N) / (N^2 * (N - 1)))
  shift <- runs - mu; if (N < 50) shift <- sign(shift) * max(0, abs(shift) - 0.5)
  put(21, "StatisticsResult/TestStatistic", runs); put(21, "StatisticsResult/StandardError", sdv)
  if (sdv > 0) {
    put(21, "StatisticsResult/StandardizedTestStatistic", shift / sdv)
    put(21, "StatisticsResult/AsymptoticSig2Tailed", 2 * pnorm(-abs(shift / sdv)))
  }
}

# 22: the one-sample Wilcoxon test of y about 1, the differences rounded to
# the data's decimals.
y <- d$y[!is.na(d$y)]
invisible(signedRank(22, round(y - 1, max(0, sapply(y, decimalsOf)))))

# 23: the two-sample Kolmogorov-Smirnov test: D, D+ = max(F1 - F2), D- =
# min(F1 - F2), Z = D sqrt(mn / (m + n)), and P(K > Z) of Kolmogorov's
# limiting distribution (its two series, each where it converges fast).
kolmogorovUpper <- function(z) {
  if (z <= 0) return(1)
  if (z < 1) {
    k <- 1:50
    return(1 - sqrt(2 * pi) / z * sum(exp(-(2 * k - 1)^2 * pi^2 / (8 * z^2))))
  }
  k <- 1:100
  2 * sum((-1)^(k - 1) * exp(-2 * k^2 * z^2))
}
ok <- !is.na(d$y) & !is.na(d$g2); groups <- sort(unique(d$g2[ok]))
if (length(groups) == 2) {
  first <- d$y[ok & d$g2 == groups[1]]; second <- d$y[ok & d$g2 == groups[2]]
  at <- sort(unique(c(first, second)))
  gap <- ecdf(first)(at) - ecdf(second)(at)
  D <- max(abs(gap)); m <- length(first); n <- length(second); Z <- D * sqrt(m * n / (m + n))
  put(23, "StatisticsResult/MostExtremeDifferencesAbsolute", D)
  put(23, "StatisticsResult/MostExtremeDifferencesPositive", max(0, gap))
  put(23, "StatisticsResult/MostExtremeDifferencesNegative", min(0, gap))
  put(23, "StatisticsResult/TestStatistic", Z)
  put(23, "StatisticsResult/AsymptoticSig2Tailed", min(1, max(0, kolmogorovUpper(Z))))
}

# 24, 25: one-sample Kolmogorov-Smirnov tests of y with the parameters taken
# from the sample. D+ = max(Fn - F), D- = min(Fn - F) over both sides of
# every step. Normal (mean, SD with n - 1): Lilliefors' significance by the
# Dallal-Wilkinson approximation (for n > 100 at n = 100 with D (n/100)^0.49),
# reported as .2 above .2, from five cases. Uniform (minimum, maximum):
# Kolmogorov's limiting distribution at sqrt(n) D.
oneSampleKs <- function(t, cdf) {
  y <- sort(d$y[!is.na(d$y)]); n <- length(y)
  at <- unique(y); F <- cdf(at); above <- ecdf(y)(at); below <- above - as.vector(table(y)) / n
  plus <- max(0, above - F); minus <- min(0, below - F); D <- max(plus, -minus)
  put(t, "StatisticsResult/MostExtremeDifferencesAbsolute", D)
  put(t, "StatisticsResult/MostExtremeDifferencesPositive", plus)
  put(t, "StatisticsResult/MostExtremeDifferencesNegative", minus)
  c(D, n)
}
y <- d$y[!is.na(d$y)]
if (length(unique(y)) > 1) {
  if (length(y) >= 5) {
    r <- oneSampleKs(24, function(x) pnorm(x, mean(y), sd(y)))
    Kd <- r[1]; nd <- r[2]
    if (nd > 100) { Kd <- Kd * (nd / 100)^0.49; nd <- 100 }
    p <- exp(-7.01256 * Kd^2 * (nd + 2.78019) + 2.99587 * Kd * sqrt(nd + 2.78019) - 0.122119 +
             0.974598 / sqrt(nd) + 1.67997 / nd)
    if (p <= 0.2) put(24, "StatisticsResult/AsymptoticSig2Tailed", p)
  }
  r <- oneSampleKs(25, function(x) punif(x, min(y), max(y)))
  put(25, "StatisticsResult/AsymptoticSig2Tailed", min(1, max(0, kolmogorovUpper(sqrt(r[2]) * r[1]))))
}

# 26: Wald-Wolfowitz. The fewest and most runs over every order of tied
# values, found by trying every order of each tied block's groups (data sets
# with more than 20,000 orders are left out); for each, z with the
# continuity correction toward the mean below 50 cases and its lower tail,
# and at most 50 cases the exact P(R <= r) of Swed and Eisenhart.
runsLowerTail <- function(r, m, n) {
  if (r < 2) return(0)
  total <- 0
  for (u in 2:floor(r)) {
    k <- u %/% 2
    total <- total + if (u %% 2 == 0) 2 * choose(m - 1, k - 1) * choose(n - 1, k - 1)
                     else choose(m - 1, k - 1) * choose(n - 1, k) + choose(m - 1, k) * choose(n - 1, k - 1)
  }
  total / choose(m + n, m)
}
ok <- !is.na(d$y) & !is.na(d$g2); groups <- sort(unique(d$g2[ok]))
if (length(groups) == 2 && sum(ok) >= 3) {
  y <- d$y[ok]; g <- d$g2[ok] == groups[2]
  blocks <- lapply(sort(unique(y)), function(v) g[y == v])
  orders <- lapply(blocks, function(b) {
    if (length(unique(b)) == 1) return(list(b))
    positions <- combn(length(b), sum(b))
    lapply(seq_len(ncol(positions)), function(i) { o <- rep(FALSE, length(b)); o[positions[, i]] <- TRUE; o })
  })
  if (prod(sapply(orders, length)) <= 20000) {
    # Every sequence's runs, through the reachable (last group, runs) pairs.
    states <- list(list(last = NA, runs = 0))
    for (choices in orders) {
      nextStates <- list()
      for (s in states) for (o in choices) {
        runs <- s$runs + 1 + sum(o[-1] != o[-length(o)]) - (!is.na(s$last) && s$last == o[1])
        nextStates[[length(nextStates) + 1]] <- list(last = o[length(o)], runs = runs)
      }
      keys <- sapply(nextStates, function(s) paste(s$last, s$runs))
      states <- nextStates[!duplicated(keys)]
    }
    all <- sapply(states, function(s) s$runs)
    m <- sum(!g); n <- sum(g); N <- m + n
    mu <- 2 * m * n / N + 1; sdv <- sqrt(2 * m * n * (2 * m * n - N) / (N^2 * (N - 1)))
    for (part in list(c("MinimumPossible", min(all)), c("MaximumPossible", max(all)))) {
      r <- as.numeric(part[2]); shift <- r - mu
      if (N < 50) shift <- sign(shift) * max(0, abs(shift) - 0.5)
      put(26, paste0("StatisticsResult/", part[1], "/TestStatistic"), r)
      put(26, paste0("StatisticsResult/", part[1], "/StandardizedTestStatistic"), shift / sdv)
      put(26, paste0("StatisticsResult/", part[1], "/AsymptoticSig1Tailed"), pnorm(shift / sdv))
      if (N <= 50) put(26, paste0("StatisticsResult/", part[1], "/ExactSig1Tailed"), runsLowerTail(r, m, n))
    }
  }
}

write.table(out, file.path(dir, "reference.tsv"), sep = "\t", row.names = FALSE, quote = FALSE)

# The homogeneous subsets: each subset's own test over its samples, and the
# adjusted significance 1 - (1 - p)^(k / size). Tests as generate.py's
# STEPWISE: 0 Kruskal-Wallis, 1 median test (counts about the whole test's
# median, no correction), 2 Jonckheere-Terpstra (upper tail, ascending), 3
# Friedman, 4 Kendall (its subsets give Friedman's chi-square), 5 Cochran.
subsets <- read.csv(file.path(dir, "subsets.csv"), colClasses = c(samples = "character"))
fields <- c("y", "y2", "g2", "g3", "o1", "o2", "o3", "b1", "b2", "b3", "c")
subsetReference <- function(test, samples) {
  chosen <- as.integer(strsplit(samples, " ")[[1]])
  if (test <= 2) {
    ok <- !is.na(d$y) & !is.na(d$g3); y <- d$y[ok]; g <- d$g3[ok]
    values <- sort(unique(d$g3[!is.na(d$g3)]))[chosen + 1]
    inside <- g %in% values
    if (test == 0) {
      kw <- kruskal.test(y[inside], factor(g[inside])); return(c(kw$statistic, kw$p.value))
    }
    if (test == 1) {
      tab <- table(factor(y[inside] > median(y), levels = c(TRUE, FALSE)), factor(g[inside]))
      ch <- suppressWarnings(chisq.test(tab, correct = FALSE)); return(c(ch$statistic, ch$p.value))
    }
    r <- jonckheere(lapply(sort(values), function(v) y[g == v]))
    return(c(r[1], pnorm((r[1] - r[2]) / r[3], lower.tail = FALSE)))
  }
  all <- if (test == 5) c("b1", "b2", "b3") else c("o1", "o2", "o3")
  M <- as.matrix(d[complete.cases(d[, all]), fields[chosen + 1], drop = FALSE])
  if (test == 5) {
    X <- M == 1; k <- ncol(X); C <- colSums(X); R <- rowSums(X); Tt <- sum(C)
    q <- (k - 1) * (k * sum(C^2) - Tt^2) / (k * Tt - sum(R^2))
    return(c(q, pchisq(q, k - 1, lower.tail = FALSE)))
  }
  fr <- friedman.test(M); c(fr$statistic, fr$p.value)
}
rows <- lapply(seq_len(nrow(subsets)), function(i) {
  s <- subsets[i, ]; r <- subsetReference(s$test, s$samples)
  size <- length(strsplit(s$samples, " ")[[1]])
  c(r[1], r[2], 1 - (1 - r[2])^(s$k / size))
})
references <- if (length(rows)) do.call(rbind, rows) else matrix(numeric(), 0, 3)
write.table(data.frame(statistic = references[, 1], sig = references[, 2], adjusted = references[, 3]),
            file.path(dir, "subsets-reference.tsv"), sep = "\t", row.names = FALSE, quote = FALSE)
