# Reference values of the engine's effect sizes, computed in base R with the
# published formulas (no package needed). Run from this folder:
#   Rscript effect_sizes.R > EFFECT-SIZES.md
#
# Rank-biserial correlations and their Fisher-z intervals: the method of the
# R package effectsize (rank_biserial), after Kerby (2014). Epsilon-squared:
# Tomczak & Tomczak (2014). Cohen's w and Cramer's V with intervals by
# inverting the noncentral chi-square in its noncentrality (Steiger 2004).
# The odds ratio of the discordant pairs with the exact conditional interval
# from the Clopper-Pearson interval of b / (b + c) (Agresti 2013, 11.1.4).
# Eta-squared of Cochran's Q, Q / (n (k - 1)): Serlin, Carr & Marascuilo
# (1982), as Tomczak & Tomczak (2014) give it.
rd <- function(f) read.csv(f, stringsAsFactors = FALSE)
show <- function(label, value, expression) {
  cat(sprintf("- %s = `%s`  \n  `%s`\n", label, paste(sprintf("%.15g", value), collapse = ", "), expression))
}
z <- qnorm(0.975)
fisher_ci <- function(r, se) tanh(atanh(r) + c(-1, 1) * z * se)
ncp_ci <- function(x, df, divisor, level = 0.95) {
  a <- 1 - level
  bound <- function(p) {
    if (pchisq(x, df, 0) <= p) return(0)
    uniroot(function(l) pchisq(x, df, l) - p, c(0, max(100, 10 * x)), tol = 1e-14)$root
  }
  sqrt(c(bound(1 - a / 2), bound(a / 2)) / divisor)
}

cat("# Reference values of the effect sizes\n\nWritten by `effect_sizes.R` (R", R.version$major, ".", R.version$minor, ").\n\n", sep = "")

pg <- rd("PlantGrowth.csv")
ctrl <- pg$weight[pg$group == "ctrl"]; trt2 <- pg$weight[pg$group == "trt2"]
u2 <- wilcox.test(trt2, ctrl)$statistic
r <- 2 * u2 / (10 * 10) - 1
cat("## Rank-biserial correlation, two groups (PlantGrowth ctrl, trt2; second minus first)\n\n")
show("U of trt2", u2, "wilcox.test(trt2, ctrl)$statistic")
show("r", r, "2 * U / (n1 * n2) - 1")
show("95% interval", fisher_ci(r, sqrt((10 + 10 + 1) / (3 * 10 * 10))), "tanh(atanh(r) + c(-1, 1) * qnorm(.975) * sqrt((n1 + n2 + 1) / (3 * n1 * n2)))")

dep <- rd("depression.csv")
d <- dep$y - dep$x; n <- sum(d != 0)
wp <- wilcox.test(dep$y, dep$x, paired = TRUE)$statistic
m <- n * (n + 1) / 2
rp <- (wp - (m - wp)) / m
cat("\n## Matched-pairs rank-biserial correlation (depression, y - x)\n\n")
show("W+", wp, "wilcox.test(y, x, paired = TRUE)$statistic")
show("r", rp, "(W+ - W-) / (n (n + 1) / 2)")
show("95% interval", fisher_ci(rp, sqrt((2 * n^3 + 3 * n^2 + n) / 6) / m), "tanh(atanh(r) + c(-1, 1) * qnorm(.975) * sqrt((2n^3 + 3n^2 + n) / 6) / (n (n + 1) / 2))")

h <- kruskal.test(weight ~ group, pg)$statistic; N <- nrow(pg)
cat("\n## Epsilon-squared (PlantGrowth weight by group)\n\n")
show("H", h, "kruskal.test(weight ~ group, PlantGrowth)$statistic")
show("epsilon-squared", h / ((N^2 - 1) / (N + 1)), "H / ((n^2 - 1) / (n + 1))")

cw <- rd("chickwts.csv")
feed <- table(cw$feed); x2 <- chisq.test(feed)$statistic
cat("\n## Cohen's w (chickwts feed, equal proportions)\n\n")
show("X2", x2, "chisq.test(table(feed))$statistic")
show("w", sqrt(x2 / sum(feed)), "sqrt(X2 / n)")
show("95% interval", ncp_ci(x2, 5, sum(feed)), "sqrt(lambda / n), lambda from pchisq(X2, 5, lambda) = .975 and .025 (0 where pchisq(X2, 5) <= p)")
aq <- rd("airquality.csv"); month <- table(aq$Month)
x2m <- chisq.test(month, p = c(0.1, 0.2, 0.3, 0.2, 0.2))$statistic
show("w, airquality Month, p = .1 .2 .3 .2 .2", sqrt(x2m / sum(month)), "sqrt(X2 / n)")
show("95% interval", ncp_ci(x2m, 4, sum(month)), "as above, df = 4")

above <- tapply(pg$weight > median(pg$weight), pg$group, sum)
below <- table(pg$group) - above
x2v <- chisq.test(rbind(above, below), correct = FALSE)$statistic
cat("\n## Cramer's V of the median test (PlantGrowth weight by group, 2 x 3 counts)\n\n")
show("X2", x2v, "chisq.test(rbind(above, at_or_below), correct = FALSE)$statistic")
show("V", sqrt(x2v / N), "sqrt(X2 / (n (min(2, 3) - 1)))")
show("95% interval", ncp_ci(x2v, 2, N), "as for w, df = 2")

perf <- rd("Performance.csv")
b <- sum(perf$first == "Approve" & perf$second == "Disapprove")
c <- sum(perf$first == "Disapprove" & perf$second == "Approve")
p <- binom.test(b, b + c)$conf.int
cat("\n## Odds ratio of the discordant pairs (Performance: Approve counts as success)\n\n")
show("b, c", c(b, c), "success then failure; failure then success")
show("odds ratio", b / c, "b / c")
show("95% interval", p / (1 - p), "binom.test(b, b + c)$conf.int transformed p / (1 - p)")

coch <- rd("cochran.csv"); tasks <- as.matrix(coch[, c("task1", "task2", "task3")])
q <- friedman.test(tasks)$statistic
cat("\n## Eta-squared of Cochran's Q (cochran.csv task1..task3, 12 cases)\n\n")
show("Q", q, "friedman.test(tasks)$statistic (on 0/1 data Friedman's statistic, corrected for ties, is Q)")
show("eta-squared Q", q / (nrow(tasks) * (ncol(tasks) - 1)), "Q / (n (k - 1))")
