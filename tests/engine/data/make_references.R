# make_references.R -- test data and R reference values for the npar-output test engine.
#
# What it does
#   1. Writes the CSV test data sets of this folder (public data from R's `datasets`
#      package, examples from R help pages, and a few small hand-made tables that are
#      marked as such) as RFC 4180 CSV: header row, "," delimiter, LF line ends, empty
#      cell = missing, numbers as R writes them (15 significant digits).
#   2. Prints, as Markdown, every reference value that comes from R (base R 4.2,
#      packages `stats` and `datasets` only), each with the exact expression that
#      produced it, formatted with sprintf("%.15g").
#
# It is the record of where each number in REFERENCES.md comes from. The Python half
# (scipy / statsmodels values) is make_references.py, which also assembles REFERENCES.md:
#     Rscript make_references.R              # write the CSVs, print the R half
#     /opt/pyref/py make_references.py       # print the Python half (reads the CSVs)
#     /opt/pyref/py make_references.py --write-md   # run both, write REFERENCES.md
# Everything computed "by hand" (formulas from textbooks) is done here in plain R and the
# code is printed next to the numbers.

args <- commandArgs(trailingOnly = FALSE)
script <- sub("^--file=", "", args[grep("^--file=", args)])
outdir <- if (length(script)) dirname(normalizePath(script)) else getwd()
options(warn = 1)

## ---------------------------------------------------------------- printing helpers
G <- globalenv()
fmt <- function(v) {
  if (is.logical(v)) return(paste(v, collapse = ", "))
  if (is.character(v) || is.factor(v)) return(paste(as.character(v), collapse = ", "))
  nm <- names(v); v <- unname(as.numeric(v)); v[!is.na(v) & v == 0] <- 0   # no "-0"
  s <- ifelse(is.na(v), "NA", sprintf("%.15g", v))
  if (!is.null(nm) && length(v) > 1 && all(nzchar(nm))) s <- paste0(nm, "=", s)
  paste(s, collapse = ", ")
}
section <- function(num, title) cat(sprintf("\n## %d. %s\n\n#### R (make_references.R)\n\n", num, title))
sub_ <- function(title) cat(sprintf("\n##### %s\n\n", title))
note <- function(...) cat("\n", paste0(..., collapse = ""), "\n\n", sep = "")
code <- function(txt) {
  txt <- sub("^\n", "", sub("\n$", "", txt))
  cat("\n```r\n", txt, "\n```\n\n", sep = "")
  eval(parse(text = txt), envir = G)
  invisible(NULL)
}
one_line <- function(lines) {      # deparsed lines -> one valid line of R
  lines <- trimws(lines); out <- lines[1]
  for (l in lines[-1]) out <- paste0(out, if (grepl("[{(,]$", out) || grepl("^[})]", l)) " " else "; ", l)
  out
}
ref <- function(label, expr) {
  e <- substitute(expr)
  v <- eval(e, G)
  line <- one_line(deparse(e, width.cutoff = 500L))
  # the printed line must reproduce the value when pasted into R
  if (!identical(fmt(eval(parse(text = line), G)), fmt(v))) stop("printed expression does not reproduce: ", line)
  cat(sprintf("- %s = `%s`  \n  `%s`\n", label, fmt(v), line))
  invisible(v)
}
blank <- function() cat("\n")

## ---------------------------------------------------------------- 0. data files
wcsv <- function(df, name, src) {
  for (j in seq_along(df)) if (is.factor(df[[j]])) df[[j]] <- as.character(df[[j]])
  needq <- which(vapply(df, function(v) is.character(v) && any(grepl("[\",\r\n]", v)), TRUE))
  write.table(df, file.path(outdir, name), sep = ",", quote = if (length(needq)) needq else FALSE,
              qmethod = "double", na = "", row.names = FALSE, col.names = TRUE, eol = "\n")
  files[[name]] <<- list(dim = dim(df), src = src)
}
files <- list()

wcsv(PlantGrowth, "PlantGrowth.csv", "R datasets::PlantGrowth")
wcsv(chickwts, "chickwts.csv", "R datasets::chickwts")
wcsv(iris, "iris.csv", "R datasets::iris")
wcsv(morley, "morley.csv", "R datasets::morley (row names dropped)")
wcsv(faithful, "faithful.csv", "R datasets::faithful")
wcsv(data.frame(city = names(precip), precip = unname(precip)), "precip.csv",
     "R datasets::precip, a named vector; the names are the column city (\"Portland\" occurs twice)")
wcsv(sleep, "sleep.csv", "R datasets::sleep (long form)")
wcsv(data.frame(ID = sleep$ID[sleep$group == 1],
                drug1 = sleep$extra[sleep$group == 1],
                drug2 = sleep$extra[sleep$group == 2][match(sleep$ID[sleep$group == 1],
                                                            sleep$ID[sleep$group == 2])]),
     "sleep_wide.csv", "R datasets::sleep in wide form: extra for group 1 (drug1) and group 2 (drug2) by ID")
wcsv(airquality, "airquality.csv", "R datasets::airquality; NA written as an empty cell (37 in Ozone, 7 in Solar.R)")
wcsv(warpbreaks, "warpbreaks.csv", "R datasets::warpbreaks (tension L, M, H sorts as H, L, M)")
wcsv(ToothGrowth, "ToothGrowth.csv", "R datasets::ToothGrowth")

# ?friedman.test: Hollander & Wolfe (1973), p. 140ff.
RoundingTimes <- matrix(c(5.40, 5.50, 5.55, 5.85, 5.70, 5.75, 5.20, 5.60, 5.50, 5.55, 5.50, 5.40,
                          5.90, 5.85, 5.70, 5.45, 5.55, 5.60, 5.40, 5.40, 5.35, 5.45, 5.50, 5.35,
                          5.25, 5.15, 5.00, 5.85, 5.80, 5.70, 5.25, 5.20, 5.10, 5.65, 5.55, 5.45,
                          5.60, 5.35, 5.45, 5.05, 5.00, 4.95, 5.50, 5.50, 5.40, 5.45, 5.55, 5.50,
                          5.55, 5.55, 5.35, 5.45, 5.50, 5.55, 5.50, 5.45, 5.25, 5.65, 5.60, 5.40,
                          5.70, 5.65, 5.55, 6.30, 6.30, 6.25),
                        nrow = 22, byrow = TRUE,
                        dimnames = list(1:22, c("Round Out", "Narrow Angle", "Wide Angle")))
wcsv(data.frame(Round.Out = RoundingTimes[, 1], Narrow.Angle = RoundingTimes[, 2],
                Wide.Angle = RoundingTimes[, 3]), "RoundingTimes.csv",
     "the RoundingTimes matrix of R's ?friedman.test example (Hollander & Wolfe 1973, p. 140ff.)")

# ?wilcox.test: Hollander & Wolfe (1973), p. 29f., depression scale before (x) / after (y)
wcsv(data.frame(x = c(1.83, 0.50, 1.62, 2.48, 1.68, 1.88, 1.55, 3.06, 1.30),
                y = c(0.878, 0.647, 0.598, 2.05, 1.06, 1.29, 1.06, 3.14, 1.29)), "depression.csv",
     "x (first visit) and y (second visit) of R's ?wilcox.test example (Hollander & Wolfe 1973, p. 29f.)")

# ?mcnemar.test: Agresti (1990), p. 350, presidential approval, one row per person
Performance <- matrix(c(794, 86, 150, 570), nrow = 2,
                      dimnames = list("1st Survey" = c("Approve", "Disapprove"),
                                      "2nd Survey" = c("Approve", "Disapprove")))
perf <- do.call(rbind, lapply(1:2, function(i) do.call(rbind, lapply(1:2, function(j)
  data.frame(first = rep(rownames(Performance)[i], Performance[i, j]),
             second = rep(colnames(Performance)[j], Performance[i, j]))))))
wcsv(perf, "Performance.csv",
     "the Performance table of R's ?mcnemar.test example (Agresti 1990, p. 350), one row per person: first = 1st survey, second = 2nd survey; 1600 rows, the only large file")

# hand-made (this project): small McNemar table, 23 cases, 11 discordant
# table first x second (0/1):  [0,0]=5 [0,1]=9 [1,0]=2 [1,1]=7
mcn_small <- data.frame(first  = c(rep(0, 5), rep(0, 9), rep(1, 2), rep(1, 7)),
                        second = c(rep(0, 5), rep(1, 9), rep(0, 2), rep(1, 7)))
wcsv(mcn_small, "mcnemar_small.csv", "hand-made for this project: 0/1 before/after, table [0,0]=5 [0,1]=9 [1,0]=2 [1,1]=7")

# hand-made (this project): 12 subjects, 3 binary items, for Cochran's Q
wcsv(data.frame(subject = 1:12,
                task1 = c(1, 1, 0, 1, 0, 1, 1, 1, 0, 1, 1, 1),
                task2 = c(1, 1, 1, 1, 0, 1, 1, 0, 1, 1, 1, 1),
                task3 = c(0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0)), "cochran.csv",
     "hand-made for this project (statsmodels' cochrans_q documentation has no example data): 12 subjects, 3 binary items")

# hand-made (this project): grade (1 < 2 < 3) before and after, 55 cases, for marginal homogeneity
mh_tab <- matrix(c(10, 8, 2,
                    4, 12, 6,
                    1, 3, 9), nrow = 3, byrow = TRUE)
mh_df <- do.call(rbind, lapply(1:3, function(i) do.call(rbind, lapply(1:3, function(j)
  data.frame(before = rep(i, mh_tab[i, j]), after = rep(j, mh_tab[i, j]))))))
wcsv(mh_df, "grades.csv", "hand-made for this project: ordinal grade 1 < 2 < 3 before and after, table rows before / columns after = 10 8 2 / 4 12 6 / 1 3 9")

# hand-made (this project): three small groups without ties, for Jonckheere-Terpstra exact
wcsv(data.frame(score = c(12.1, 14.3, 9.8, 15.2, 13.0, 16.8, 11.5, 18.3, 17.7, 14.9),
                group = c(1, 1, 1, 2, 2, 2, 2, 3, 3, 3)), "jt_small.csv",
     "hand-made for this project: three groups of 3, 4, 3 without ties")

cat("# R half of REFERENCES.md (generated by make_references.R)\n\n")
cat("Data files written by make_references.R (RFC 4180, header row, `,`, LF, empty cell = missing):\n\n")
for (f in names(files)) cat(sprintf("- `%s` (%d rows, %d columns: %s): %s\n", f, files[[f]]$dim[1], files[[f]]$dim[2],
                                     paste(names(read.csv(file.path(outdir, f), nrows = 1, check.names = FALSE)), collapse = ", "),
                                     files[[f]]$src))
cat("\n")

## ---------------------------------------------------------------- common setup
section(0, "Conventions and common setup")
note("Every value below is printed with `sprintf(\"%.15g\")`. The line under each value is the exact ",
     "R expression that produced it, evaluated after the setup blocks of its section (and of section 0). ",
     "All data are read back from the CSV files of this folder, so the numbers are those of the files.")
code('
rd <- function(f) read.csv(file.path(outdir, f), stringsAsFactors = FALSE)
pg <- rd("PlantGrowth.csv"); cw <- rd("chickwts.csv"); ir <- rd("iris.csv")
mo <- rd("morley.csv"); fa <- rd("faithful.csv"); pr <- rd("precip.csv")
sl <- rd("sleep.csv"); sw <- rd("sleep_wide.csv"); aq <- rd("airquality.csv")
wb <- rd("warpbreaks.csv"); tg <- rd("ToothGrowth.csv"); rt <- rd("RoundingTimes.csv")
dep <- rd("depression.csv"); perf <- rd("Performance.csv"); mcs <- rd("mcnemar_small.csv")
coch <- rd("cochran.csv"); gr <- rd("grades.csv"); jts <- rd("jt_small.csv")
# ties present after exact double arithmetic vs after rounding to 9 decimals
# (a check that floating-point noise neither makes nor breaks a tie)
ties_ok <- function(v) { v <- v[!is.na(v)]; sum(duplicated(v)) == sum(duplicated(round(v, 9))) }
')
note("Floating point and ties. Differences of decimal data computed in binary floating point can break ties ",
     "that exist in decimal arithmetic (and R, scipy and statsmodels rank the doubles as they are). Examples:")
ref("iris |Petal.Length - Sepal.Width|: duplicated values in doubles, after rounding to 9 decimals",
    { v <- abs(ir$Petal.Length - ir$Sepal.Width); c(sum(duplicated(v)), sum(duplicated(round(v, 9)))) })
ref("RoundingTimes |Wide.Angle - Round.Out|: the same", { v <- abs(rt$Wide.Angle - rt$Round.Out); c(sum(duplicated(v)), sum(duplicated(round(v, 9)))) })
note("Every difference-based reference below (signed-rank tests, Walsh averages) is therefore given only on data where ",
     "`ties_ok()` is TRUE, so that it does not depend on that choice; the sign test only needs the sign of d, ",
     "which is exact for any data (equal decimals read to the same double, and their difference is exactly 0).")

## ---------------------------------------------------------------- 1 chi-square
section(1, "Chi-square goodness of fit")
note("Categories in ascending order of their value (strings: byte order as `sort(method = \"radix\")`; numbers: numeric). ",
     "The Pearson statistic, df and p are computed with scipy.stats.chisquare in the Python half; ",
     "here the observed counts and an R cross-check with `chisq.test`.")
code('
feed <- table(factor(cw$feed, levels = sort(unique(cw$feed), method = "radix")))
month <- table(aq$Month)
')
ref("chickwts feed categories", names(feed))
ref("chickwts feed counts", as.vector(feed))
ref("X2 equal expected", chisq.test(feed)$statistic)
ref("p equal expected", chisq.test(feed)$p.value)
ref("X2 expected=1,1,1,1,2,1 (soybean weight 2)", chisq.test(feed, p = c(1, 1, 1, 1, 2, 1) / 7)$statistic)
ref("p expected=1,1,1,1,2,1", chisq.test(feed, p = c(1, 1, 1, 1, 2, 1) / 7)$p.value)
ref("airquality Month categories", names(month))
ref("airquality Month counts", as.vector(month))
ref("X2 equal expected", chisq.test(month)$statistic)
ref("p equal expected", chisq.test(month)$p.value)
ref("X2 expected=0.1,0.2,0.3,0.2,0.2", chisq.test(month, p = c(0.1, 0.2, 0.3, 0.2, 0.2))$statistic)
ref("p expected=0.1,0.2,0.3,0.2,0.2", chisq.test(month, p = c(0.1, 0.2, 0.3, 0.2, 0.2))$p.value)
ref("iris Species counts (all equal: X2 = 0, p = 1)", as.vector(table(ir$Species)))

## ---------------------------------------------------------------- 2 binomial
section(2, "Binomial test")
note("Exact two-sided p as R binom.test (for p != 0.5: the sum of the probabilities of all outcomes ",
     "with d(i) <= d(x) * (1 + 1e-7)). Normal approximation: z = (x - n p) / sqrt(n p (1 - p)), no ",
     "continuity correction, where x is the count of the first category (with `cut=`: cases at or below ",
     "the cut; with `success=`: that value; otherwise the first value in ascending order).")
code('
zbin <- function(x, n, p) (x - n * p) / sqrt(n * p * (1 - p))
x_pr <- sum(pr$precip <= 30); n_pr <- length(pr$precip)
x_cw <- sum(cw$feed == "casein"); n_cw <- nrow(cw)
x_fa <- sum(fa$eruptions <= 3); n_fa <- nrow(fa)
x_tg <- sum(tg$supp == "OJ"); n_tg <- nrow(tg)
')
sub_("precip, cut=30 (x = precip <= 30)")
ref("x", x_pr); ref("n", n_pr)
ref("observed proportion", x_pr / n_pr)
ref("p exact two-sided, p=0.5", binom.test(x_pr, n_pr, 0.5)$p.value)
ref("z, p=0.5", zbin(x_pr, n_pr, 0.5))
ref("SE of the count, p=0.5", sqrt(n_pr * 0.5 * 0.5))
ref("SE of the proportion, p=0.5", sqrt(0.5 * 0.5 / n_pr))
ref("p exact two-sided, p=0.3", binom.test(x_pr, n_pr, 0.3)$p.value)
ref("z, p=0.3", zbin(x_pr, n_pr, 0.3))
ref("p exact two-sided, p=0.3, for the complement (precip > 30: 52 of 70 vs 0.7)", binom.test(n_pr - x_pr, n_pr, 0.7)$p.value)
sub_("chickwts feed, success=casein")
ref("x", x_cw); ref("n", n_cw)
ref("p exact two-sided, p=0.5", binom.test(x_cw, n_cw, 0.5)$p.value)
ref("z, p=0.5", zbin(x_cw, n_cw, 0.5))
ref("p exact two-sided, p=0.2", binom.test(x_cw, n_cw, 0.2)$p.value)
ref("z, p=0.2", zbin(x_cw, n_cw, 0.2))
sub_("chickwts feed, success=barley: a feed no chick was given (x = 0)")
ref("x", sum(cw$feed == "barley")); ref("n", n_cw)
ref("p exact two-sided, p=0.5", binom.test(0, n_cw, 0.5)$p.value)
ref("z, p=0.5", zbin(0, n_cw, 0.5))
ref("Clopper-Pearson 95%", as.vector(binom.test(0, n_cw)$conf.int))
sub_("mtcars cyl = 8, vs success=0: every car a success (x = n = 14)")
mt8 <- mtcars[mtcars$cyl == 8, ]
ref("x", sum(mt8$vs == 0)); ref("n", nrow(mt8))
ref("p exact two-sided, p=0.5", binom.test(14, 14, 0.5)$p.value)
ref("Clopper-Pearson 95%", as.vector(binom.test(14, 14)$conf.int))
sub_("faithful eruptions, cut=3")
ref("x", x_fa); ref("n", n_fa)
ref("p exact two-sided, p=0.5", binom.test(x_fa, n_fa, 0.5)$p.value)
ref("z, p=0.5", zbin(x_fa, n_fa, 0.5))
ref("p exact two-sided, p=0.4", binom.test(x_fa, n_fa, 0.4)$p.value)
ref("z, p=0.4", zbin(x_fa, n_fa, 0.4))
sub_("ToothGrowth supp, no option: first value in ascending order (OJ) is the success")
ref("x", x_tg); ref("n", n_tg)
ref("p exact two-sided, p=0.5", binom.test(x_tg, n_tg, 0.5)$p.value)
ref("p exact two-sided, p=0.4", binom.test(x_tg, n_tg, 0.4)$p.value)
ref("z, p=0.4", zbin(x_tg, n_tg, 0.4))

## ---------------------------------------------------------------- 3 success-rate intervals
section(3, "Success-rate intervals")
note("Clopper-Pearson: `binom.test(x, n, conf.level = C)$conf.int`. Jeffreys: equal-tailed beta quantiles ",
     "`qbeta(c(a/2, 1 - a/2), x + 0.5, n - x + 0.5)` (some authors set the lower end to 0 when x = 0 and the ",
     "upper to 1 when x = n; the plain quantiles are given here). Likelihood ratio: the profile likelihood-ratio ",
     "interval for a binomial proportion (as PropCIs / binom's `binom.lrt`), i.e. the two roots of ",
     "2 (logL(x/n) - logL(p)) = qchisq(C, 1) with logL(p) = x log p + (n - x) log(1 - p), solved with ",
     "uniroot to 1e-15; when x = 0 the lower end is 0 and when x = n the upper end is 1. ",
     "The Python half recomputes the LR interval with scipy.optimize.brentq as a cross-check.")
code('
cp <- function(x, n, conf = 0.95) as.vector(binom.test(x, n, conf.level = conf)$conf.int)
jeff <- function(x, n, conf = 0.95) { a <- 1 - conf; qbeta(c(a / 2, 1 - a / 2), x + 0.5, n - x + 0.5) }
lr <- function(x, n, conf = 0.95) {
  q <- qchisq(conf, 1); ph <- x / n
  ll <- function(p) (if (x > 0) x * log(p) else 0) + (if (x < n) (n - x) * log1p(-p) else 0)
  f <- function(p) 2 * (ll(ph) - ll(p)) - q
  lo <- if (x == 0) 0 else uniroot(f, c(1e-300, ph), tol = 1e-15, maxiter = 10000)$root
  hi <- if (x == n) 1 else uniroot(f, c(ph, 1 - 1e-16), tol = 1e-15, maxiter = 10000)$root
  c(lo, hi)
}
')
for (cs in list(list("precip <= 30: x = 18, n = 70", 18, 70), list("chickwts feed = casein: x = 12, n = 71", 12, 71),
                list("PlantGrowth group = ctrl: x = 10, n = 30", 10, 30),
                list("chickwts feed = barley (no chick): x = 0, n = 71", 0, 71),
                list("(formula only, no data file): x = 0, n = 10", 0, 10),
                list("(formula only): x = 10, n = 10", 10, 10))) {
  sub_(cs[[1]])
  assign("x_", cs[[2]], G); assign("n_", cs[[3]], G)
  cat(sprintf("`x_ <- %d; n_ <- %d`\n\n", cs[[2]], cs[[3]]))
  ref("Clopper-Pearson 95%", cp(x_, n_))
  ref("Jeffreys 95%", jeff(x_, n_))
  ref("likelihood ratio 95%", lr(x_, n_))
  if (cs[[2]] == 18) {
    ref("Clopper-Pearson 90%", cp(x_, n_, 0.90))
    ref("Jeffreys 90%", jeff(x_, n_, 0.90))
    ref("likelihood ratio 90%", lr(x_, n_, 0.90))
  }
}

## ---------------------------------------------------------------- 4 runs
section(4, "Runs test (one sample)")
note("Cases below the cut form one category and cases at or above it the other (as statsmodels' ",
     "`x >= cutoff`). Runs are counted in file order. E(R) = 2 n1 n2 / N + 1, ",
     "Var(R) = 2 n1 n2 (2 n1 n2 - N) / (N^2 (N - 1)); for N < 50 the difference R - E(R) is moved 0.5 ",
     "toward zero before dividing by the SD; p = 2 (1 - Phi(|z|)). The median is the usual sample median ",
     "(mean of the two middle values for even N). Note a quirk of statsmodels 0.13 `runs_test`: for N < 50 it ",
     "uses `if d > 0.5: d - 0.5 elif d < 0.5: d + 0.5`, so for -0.5 <= d < 0.5 it adds 0.5 instead of giving 0; ",
     "none of the cases below falls in that range (|d| >= 0.5 in all of them), so both rules agree here.")
code('
runs1 <- function(x, cut) {
  up <- x >= cut; n1 <- sum(!up); n2 <- sum(up); N <- n1 + n2
  r <- 1 + sum(up[-1] != up[-N])
  E <- 2 * n1 * n2 / N + 1; V <- 2 * n1 * n2 * (2 * n1 * n2 - N) / (N^2 * (N - 1))
  d <- r - E
  if (N < 50) d <- if (d >= 0.5) d - 0.5 else if (d <= -0.5) d + 0.5 else 0
  z <- d / sqrt(V)
  c(cut = cut, runs = r, n_below = n1, n_at_or_above = n2, N = N, expected = E, sd = sqrt(V),
    z = z, p = 2 * pnorm(-abs(z)))
}
')
ref("sleep extra, cut=median (N = 20): cut, runs, n_below, n_at_or_above, N, expected, sd, z, p", runs1(sl$extra, median(sl$extra)))
ref("sleep extra, cut=mean", runs1(sl$extra, mean(sl$extra)))
ref("sleep extra, cut=0 (a value equal to the cut counts as at-or-above)", runs1(sl$extra, 0))
ref("precip, cut=median (N = 70)", runs1(pr$precip, median(pr$precip)))
ref("precip, cut=30", runs1(pr$precip, 30))
ref("morley Speed, cut=median (N = 100)", runs1(mo$Speed, median(mo$Speed)))
ref("faithful eruptions, cut=mean (N = 272)", runs1(fa$eruptions, mean(fa$eruptions)))

## ---------------------------------------------------------------- 5 one-sample Wilcoxon
section(5, "One-sample Wilcoxon signed rank")
note("d = x - m; zeros dropped; N = number of non-zero d; W+ = sum of the ranks of |d| (average ranks) with d > 0 ",
     "(= R's V). Normal: z = (W+ - N(N+1)/4) / sqrt(N(N+1)(2N+1)/24 - sum(t^3 - t)/48), no continuity correction. ",
     "Exact only when N <= 50 and no ties: p = 2 min(P(V <= W+), P(V >= W+)) from the signed-rank distribution (capped at 1).")
code('
wil1 <- function(x, m) {
  d <- x - m; d <- d[!is.na(d) & d != 0]; N <- length(d); r <- rank(abs(d))
  Wp <- sum(r[d > 0]); t <- table(r)   # tie groups = equal ranks, as R does
  sd <- sqrt(N * (N + 1) * (2 * N + 1) / 24 - sum(t^3 - t) / 48)
  z <- (Wp - N * (N + 1) / 4) / sd
  c(N = N, W_plus = Wp, W_minus = N * (N + 1) / 2 - Wp, tie_groups = sum(t > 1),
    mean = N * (N + 1) / 4, sd = sd, z = z, p_normal = 2 * pnorm(-abs(z)))
}
may <- aq$Solar.R[aq$Month == 5]    # airquality, split Month = 5: 27 non-missing, no ties
')
sub_("depression x, median=1.5 (N = 9, no ties: exact)")
ref("ties_ok(abs(dep$x - 1.5))", ties_ok(abs(dep$x - 1.5)))
ref("N, W+, W-, tie groups, mean, sd, z, p normal", wil1(dep$x, 1.5))
ref("V (= W+)", wilcox.test(dep$x, mu = 1.5, exact = TRUE)$statistic)
ref("p exact", wilcox.test(dep$x, mu = 1.5, exact = TRUE)$p.value)
ref("p normal, no continuity correction", wilcox.test(dep$x, mu = 1.5, exact = FALSE, correct = FALSE)$p.value)
sub_("airquality Solar.R in the split Month = 5, median=150.25 (N = 27 after dropping 4 missing; no ties: exact)")
ref("ties_ok", ties_ok(abs(may - 150.25)))
ref("N, W+, W-, tie groups, mean, sd, z, p normal", wil1(may, 150.25))
ref("V", wilcox.test(may, mu = 150.25, exact = TRUE)$statistic)
ref("p exact", wilcox.test(may, mu = 150.25, exact = TRUE)$p.value)
ref("p normal", wilcox.test(may, mu = 150.25, exact = FALSE, correct = FALSE)$p.value)
sub_("sleep extra, median=0 (one zero dropped, ties: normal)")
ref("ties_ok", ties_ok(abs(sl$extra)))
ref("N, W+, W-, tie groups, mean, sd, z, p normal", wil1(sl$extra, 0))
ref("V", suppressWarnings(wilcox.test(sl$extra, mu = 0, exact = FALSE, correct = FALSE)$statistic))
ref("p normal (tie-corrected)", suppressWarnings(wilcox.test(sl$extra, mu = 0, exact = FALSE, correct = FALSE)$p.value))
sub_("precip, median=35 (N = 70 > 50, one zero, ties: normal)")
ref("ties_ok", ties_ok(abs(pr$precip - 35)))
ref("N, W+, W-, tie groups, mean, sd, z, p normal", wil1(pr$precip, 35))
ref("p normal (tie-corrected)", suppressWarnings(wilcox.test(pr$precip, mu = 35, exact = FALSE, correct = FALSE)$p.value))
sub_("airquality Wind, median=10.3 (153 values with one decimal, 11 equal to 10.3: N = 142; ties that binary differences break)")
note("x - 10.3 computed in binary carries representation noise (|7.4 - 10.3| and |13.2 - 10.3| are two different doubles ",
     "near 2.9), which breaks ties the data have; the differences of values written with one decimal are taken as ",
     "the decimals they are, round(x - 10.3, 1), as for the related tests' differences.")
ref("ties_ok (FALSE: noise breaks ties)", ties_ok(abs(aq$Wind - 10.3)))
ref("N, W+, W-, tie groups, mean, sd, z, p normal", wil1(round(aq$Wind - 10.3, 1), 0))
ref("p normal (tie-corrected)", suppressWarnings(wilcox.test(round(aq$Wind - 10.3, 1), exact = FALSE, correct = FALSE)$p.value))
sub_("airquality Wind, median=10.35 (the median has two decimals, so the differences have two)")
ref("ties_ok (FALSE)", ties_ok(abs(aq$Wind - 10.35)))
ref("N, W+, W-, tie groups, mean, sd, z, p normal", wil1(round(aq$Wind - 10.35, 2), 0))
ref("p normal (tie-corrected)", suppressWarnings(wilcox.test(round(aq$Wind - 10.35, 2), exact = FALSE, correct = FALSE)$p.value))

## ---------------------------------------------------------------- 6 one-sample KS
section(6, "One-sample Kolmogorov-Smirnov")
note("The references are scipy.stats.kstest / statsmodels lilliefors (Python half). R's `ks.test` gives D as a ",
     "cross-check for the continuous cases. For the Poisson (discrete) case the statistic is computed here by hand: ",
     "the empirical CDF Fn and the Poisson CDF F (mean = sample mean) are both right-continuous step functions ",
     "with jumps at integers only, so sup_x |Fn(x) - F(x)| is attained on the integers k = 0..max(x) ",
     "(below 0 both are 0; above max(x), 1 - F(k) decreases). D+ = max_k (Fn(k) - F(k)), D- = max_k (F(k) - Fn(k)), ",
     "D = max(D+, D-). For comparison the value one gets by evaluating only at the observed distinct values ",
     "(D- then ignores the integers between observed values) is given too; the two differ when the data skip integers.")
code('
pois_ks <- function(x) {
  x <- x[!is.na(x)]; n <- length(x); lam <- mean(x)
  k <- 0:max(x); Fn <- ecdf(x)(k); F <- ppois(k, lam)
  obs <- sort(unique(x)); Fo <- ecdf(x)(obs); Po <- ppois(obs, lam)
  c(n = n, mean = lam, D = max(abs(Fn - F)), D_plus = max(Fn - F), D_minus = max(F - Fn),
    Z = sqrt(n) * max(abs(Fn - F)),
    D_plus_observed_only = max(Fo - Po), D_minus_observed_only = max(Po - Fo))
}
')
ref("warpbreaks breaks ~ Poisson: n, mean, D, D+, D-, Z, D+ (observed values only), D- (observed values only)", pois_ks(wb$breaks))
ref("morley Run ~ Poisson (Run = 1..20, each 5 times)", pois_ks(mo$Run))
ref("D, exponential(mean = sample mean), precip", suppressWarnings(ks.test(pr$precip, "pexp", 1 / mean(pr$precip))$statistic))
ref("D, uniform(1, 6), faithful eruptions", suppressWarnings(ks.test(fa$eruptions, "punif", 1, 6)$statistic))
ref("D, normal(mean, sd(x)), iris Sepal.Width (= Lilliefors D)", suppressWarnings(ks.test(ir$Sepal.Width, "pnorm", mean(ir$Sepal.Width), sd(ir$Sepal.Width))$statistic))

## ---------------------------------------------------------------- 7 sign test
section(7, "Sign test")
note("d = second - first (B - A for `sign A B`); n+ = #(d > 0), n- = #(d < 0), zeros dropped, n = n+ + n-. ",
     "Exact (n <= 25): two-sided p = binom.test(n+, n, 0.5)$p.value. Normal (n > 25): ",
     "z = sign(n+ - n/2) (|n+ - n/2| - 0.5) / sqrt(n/4) (continuity-corrected; z is negative when n+ < n/2), ",
     "p = 2 (1 - Phi(|z|)).")
code('
signt <- function(a, b) {
  d <- b - a; d <- d[!is.na(d)]; np <- sum(d > 0); nn <- sum(d < 0); n <- np + nn
  z <- sign(np - n / 2) * max(abs(np - n / 2) - 0.5, 0) / sqrt(n / 4)
  c(n_pos = np, n_neg = nn, zeros = sum(d == 0), n = n, p_exact = binom.test(np, n)$p.value,
    z = z, p_normal = 2 * pnorm(-abs(z)))
}
')
ref("depression, sign x y (d = y - x): n+, n-, zeros, n, p exact, z, p normal", signt(dep$x, dep$y))
ref("sleep_wide, sign drug1 drug2", signt(sw$drug1, sw$drug2))
ref("RoundingTimes, sign Round.Out Narrow.Angle", signt(rt$Round.Out, rt$Narrow.Angle))
ref("iris, sign Sepal.Width Petal.Length (n > 25: normal)", signt(ir$Sepal.Width, ir$Petal.Length))
ref("airquality, sign Ozone Temp (pairs with either missing dropped: n > 25)", signt(aq$Ozone, aq$Temp))

## ---------------------------------------------------------------- 8 related Wilcoxon
section(8, "Related-samples Wilcoxon signed rank")
note("As the one-sample test on d. R's `wilcox.test(x, y, paired = TRUE)` works on x - y; its V is W+ of x - y. ",
     "Below, `wil1(b - a, 0)` gives W+ of d = second - first (b - a); W+ of a - b is its W-.")
ref("depression: ties_ok(abs(dep$y - dep$x))", ties_ok(abs(dep$y - dep$x)))
ref("depression, d = y - x: N, W+, W-, tie groups, mean, sd, z, p normal", wil1(dep$y - dep$x, 0))
ref("depression, V of x - y", wilcox.test(dep$x, dep$y, paired = TRUE, exact = TRUE)$statistic)
ref("depression, p exact", wilcox.test(dep$x, dep$y, paired = TRUE, exact = TRUE)$p.value)
ref("depression, p normal", wilcox.test(dep$x, dep$y, paired = TRUE, exact = FALSE, correct = FALSE)$p.value)
ref("sleep_wide: ties_ok", ties_ok(abs(sw$drug2 - sw$drug1)))
ref("sleep_wide, d = drug2 - drug1 (one zero, ties: normal)", wil1(sw$drug2 - sw$drug1, 0))
ref("sleep_wide, p normal", suppressWarnings(wilcox.test(sw$drug1, sw$drug2, paired = TRUE, exact = FALSE, correct = FALSE)$p.value))
ref("airquality Ozone, Temp: ties_ok", ties_ok(abs(aq$Temp - aq$Ozone)))
ref("airquality, d = Temp - Ozone (116 complete pairs, N > 50, ties: normal)", wil1(aq$Temp - aq$Ozone, 0))
ref("airquality, V of Ozone - Temp", suppressWarnings(wilcox.test(aq$Ozone, aq$Temp, paired = TRUE, exact = FALSE, correct = FALSE)$statistic))
ref("airquality, p normal", suppressWarnings(wilcox.test(aq$Ozone, aq$Temp, paired = TRUE, exact = FALSE, correct = FALSE)$p.value))
ref("RoundingTimes Round.Out, Wide.Angle: ties_ok (FALSE: see section 0; no reference given on it)", ties_ok(abs(rt$Wide.Angle - rt$Round.Out)))

## ---------------------------------------------------------------- 9 McNemar
section(9, "McNemar")
note("Discordant cells b = #(first = A, second = B), c = #(first = B, second = A). Exact when b + c <= 25: ",
     "p = min(1, 2 pbinom(min(b, c), b + c, 0.5)) (= binom.test); otherwise chi-square with continuity correction ",
     "(|b - c| - 1)^2 / (b + c), df = 1. R's mcnemar.test (correct = TRUE) is the cross-check.")
code('
tab_perf <- table(factor(perf$first), factor(perf$second))
tab_mcs <- table(factor(mcs$first), factor(mcs$second))
')
ref("Performance table (row-major: AA, AD, DA, DD)", as.vector(t(tab_perf)))
ref("Performance chi-square (corrected)", mcnemar.test(tab_perf, correct = TRUE)$statistic)
ref("Performance p", mcnemar.test(tab_perf, correct = TRUE)$p.value)
ref("Performance chi-square without correction (for comparison only)", mcnemar.test(tab_perf, correct = FALSE)$statistic)
ref("mcnemar_small table (row-major: 00, 01, 10, 11)", as.vector(t(tab_mcs)))
ref("mcnemar_small exact p (b = 9, c = 2)", binom.test(2, 11, 0.5)$p.value)
ref("mcnemar_small corrected chi-square (for comparison only)", mcnemar.test(tab_mcs, correct = TRUE)$statistic)

## ---------------------------------------------------------------- 10 marginal homogeneity
section(10, "Marginal homogeneity (ordinal, scores 1..k)")
note("Reference: the ordinal marginal homogeneity statistic described in Agresti, Categorical Data Analysis ",
     "(a paired-sum comparison of scores). Scores 1..k in ascending order of the categories (here the values ",
     "1, 2, 3 themselves). Only off-diagonal cases (first != second) enter. For each such case with ",
     "first-variable score r and second-variable score c: observed MH = sum r; E = sum (r + c)/2; ",
     "Var = sum (r - c)^2 / 4; z = (observed - E)/SD; p = 2 (1 - Phi(|z|)). ",
     "Data: grades.csv (hand-made, 55 cases; table rows = before, columns = after: ",
     "10 8 2 / 4 12 6 / 1 3 9).")
code('
mh <- function(a, b) {
  ok <- !is.na(a) & !is.na(b) & a != b; r <- a[ok]; c <- b[ok]
  obs <- sum(r); E <- sum((r + c) / 2); V <- sum((r - c)^2) / 4
  c(off_diagonal = sum(ok), observed = obs, mean = E, sd = sqrt(V), z = (obs - E) / sqrt(V),
    p = 2 * pnorm(-abs((obs - E) / sqrt(V))))
}
')
ref("table before x after, row-major", as.vector(t(table(gr$before, gr$after))))
note("Arithmetic: off-diagonal cells (r,c):count = (1,2):8 (1,3):2 (2,1):4 (2,3):6 (3,1):1 (3,2):3, 24 cases. ",
     "Observed = 8*1 + 2*1 + 4*2 + 6*2 + 1*3 + 3*3 = 42. E = (8*3 + 2*4 + 4*3 + 6*5 + 1*4 + 3*5)/2 = 93/2 = 46.5. ",
     "Var = (8*1 + 2*4 + 4*1 + 6*1 + 1*4 + 3*1)/4 = 33/4 = 8.25. z = (42 - 46.5)/sqrt(8.25).")
ref("off-diagonal cases, observed, mean, sd, z, p", mh(gr$before, gr$after))
ref("same with the fields swapped (marginal-homogeneity after before)", mh(gr$after, gr$before))
ref("Performance as 1/2 scores (Approve = 1): equals McNemar without correction, z^2", mh(match(perf$first, c("Approve", "Disapprove")), match(perf$second, c("Approve", "Disapprove")))["z"]^2)

## ---------------------------------------------------------------- 11 Cochran
section(11, "Cochran's Q")
note("cochran.csv is hand-made for this project (12 subjects, 3 binary items task1..task3, 1 = success). ",
     "By hand: Q = (k - 1) (k sum C_j^2 - T^2) / (k T - sum R_i^2), with C_j column totals, R_i row totals, ",
     "T the grand total; df = k - 1. statsmodels' cochrans_q is the reference (Python half).")
code('
X <- as.matrix(coch[, c("task1", "task2", "task3")]); k <- ncol(X)
C <- colSums(X); R <- rowSums(X); T <- sum(X)
Q <- (k - 1) * (k * sum(C^2) - T^2) / (k * T - sum(R^2))
')
ref("column totals", C)
ref("Q", Q)
ref("df", k - 1)
ref("p", pchisq(Q, k - 1, lower.tail = FALSE))
ref("Friedman with tie correction on the same 0/1 data (equals Q)", friedman.test(X)$statistic)

## ---------------------------------------------------------------- 12 Friedman
section(12, "Friedman and Kendall's W")
note("Ranks within each case (average ranks), X^2 with tie correction (R's friedman.test and scipy's ",
     "friedmanchisquare both divide by 1 - sum(t^3 - t)/(N k (k^2 - 1))); Kendall's W = X^2 / (N (k - 1)). ",
     "RoundingTimes has ties within rows.")
code('
RT <- as.matrix(rt); N <- nrow(RT); k <- ncol(RT)
fr <- friedman.test(RT)
')
ref("mean ranks (Round.Out, Narrow.Angle, Wide.Angle)", colMeans(t(apply(RT, 1, rank))))
ref("chi-square", fr$statistic)
ref("df", fr$parameter)
ref("p", fr$p.value)
ref("Kendall's W", fr$statistic / (N * (k - 1)))
ref("chi-square WITHOUT tie correction (comparison only)", { Rk <- colSums(t(apply(RT, 1, rank))); 12 / (N * k * (k + 1)) * sum(Rk^2) - 3 * N * (k + 1) })

## ---------------------------------------------------------------- 13 related HL
section(13, "Related-samples Hodges-Lehmann")
note("R's `wilcox.test(x, y, paired = TRUE, conf.int = TRUE)` works on d = x - y (first - second); ",
     "for d = second - first negate and swap the ends. Estimate: median of the Walsh averages ",
     "(d_i + d_j)/2, i <= j. Exact interval (R, exact = TRUE): Walsh averages of ordinal q and M + 1 - q, ",
     "q = qsignrank(0.025, n) (M = n(n+1)/2), i.e. the order statistics below. ",
     "With exact = FALSE R finds the estimate and the ends with uniroot(tol = 1e-4) on a step function, so ",
     "its numbers are only good to about 1e-4; the exact value is the Walsh average at which the step crosses, ",
     "given here as `snapped` (the Walsh average nearest to R's root; for no ties it is ordinal ",
     "ceiling(M/2 - z sqrt(n(n+1)(2n+1)/24)) from each end, z = qnorm(0.975)), and the estimate is the median of the Walsh averages.")
code('
walsh <- function(d) { d <- d[!is.na(d)]; o <- outer(d, d, "+") / 2; sort(o[upper.tri(o, diag = TRUE)]) }
snap <- function(v, grid) grid[which.min(abs(grid - v))]
wd <- walsh(dep$x - dep$y)
hl_ex <- wilcox.test(dep$x, dep$y, paired = TRUE, conf.int = TRUE, exact = TRUE)
hl_as <- wilcox.test(dep$x, dep$y, paired = TRUE, conf.int = TRUE, exact = FALSE, correct = FALSE)
')
ref("depression, median of Walsh averages of x - y", median(wd))
ref("R estimate (exact = TRUE)", hl_ex$estimate)
ref("R 95% interval (exact = TRUE)", hl_ex$conf.int)
ref("q = qsignrank(0.025, 9); interval = Walsh[q], Walsh[45 + 1 - q]", c(qsignrank(0.025, 9), wd[qsignrank(0.025, 9)], wd[45 + 1 - qsignrank(0.025, 9)]))
ref("R estimate (exact = FALSE, correct = FALSE; uniroot, ~1e-4)", hl_as$estimate)
ref("R 95% interval (exact = FALSE, correct = FALSE; uniroot, ~1e-4)", hl_as$conf.int)
ref("snapped asymptotic interval", c(snap(hl_as$conf.int[1], wd), snap(hl_as$conf.int[2], wd)))
ref("ordinal k = ceiling(M/2 - z sd) and Walsh[k], Walsh[M + 1 - k]", { M <- 45; k <- ceiling(M / 2 - qnorm(0.975) * sqrt(9 * 10 * 19 / 24)); c(k, wd[k], wd[M + 1 - k]) })
code('
wa <- walsh(aq$Ozone - aq$Temp)      # NA pairs dropped inside walsh()
hl_aq <- suppressWarnings(wilcox.test(aq$Ozone, aq$Temp, paired = TRUE, conf.int = TRUE, exact = FALSE, correct = FALSE))
')
ref("airquality Ozone - Temp (116 pairs, ties): median of Walsh averages", median(wa))
ref("R estimate (uniroot, ~1e-4)", hl_aq$estimate)
ref("R 95% interval (uniroot, ~1e-4)", hl_aq$conf.int)
ref("snapped interval", c(snap(hl_aq$conf.int[1], wa), snap(hl_aq$conf.int[2], wa)))
ref("ordinals of the snapped ends among the M = 6786 Walsh averages (first and last occurrence)", c(range(which(wa == snap(hl_aq$conf.int[1], wa))), range(which(wa == snap(hl_aq$conf.int[2], wa)))))

## ---------------------------------------------------------------- 14 Mann-Whitney
section(14, "Mann-Whitney")
note("Groups in ascending order of the group value; group 1 is the first. R1, R2 = rank sums (average ranks ",
     "in the pooled sample); U1 = R1 - n1(n1+1)/2 (= scipy's statistic for mannwhitneyu(group1, group2) and ",
     "R's W for wilcox.test(group1, group2): R's W is U of its FIRST argument, not a rank sum); U2 = n1 n2 - U1. ",
     "Wilcoxon W in the rank-sum sense is R1 or R2 (both given). z = (U1 - n1 n2/2) / sqrt(n1 n2/12 (N + 1 - sum(t^3 - t)/(N (N - 1)))), ",
     "no continuity correction; p = 2 (1 - Phi(|z|)). Exact p only when N <= 50 and no ties.")
code('
mw <- function(a, b) {
  a <- a[!is.na(a)]; b <- b[!is.na(b)]; n1 <- length(a); n2 <- length(b); N <- n1 + n2
  r <- rank(c(a, b)); R1 <- sum(r[1:n1]); R2 <- sum(r[-(1:n1)]); U1 <- R1 - n1 * (n1 + 1) / 2
  t <- table(r); sd <- sqrt(n1 * n2 / 12 * (N + 1 - sum(t^3 - t) / (N * (N - 1))))
  z <- (U1 - n1 * n2 / 2) / sd
  c(n1 = n1, n2 = n2, R1 = R1, R2 = R2, U1 = U1, U2 = n1 * n2 - U1, tie_groups = sum(t > 1),
    sd = sd, z = z, p_normal = 2 * pnorm(-abs(z)))
}
g <- function(df, v, gv, lev) df[[v]][df[[gv]] == lev]
')
sub_("PlantGrowth ctrl vs trt1 (one tie across groups at 4.17: normal)")
ref("n1, n2, R1, R2, U1, U2, tie groups, sd, z, p normal", mw(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt1")))
ref("R W", suppressWarnings(wilcox.test(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt1"), exact = FALSE, correct = FALSE)$statistic))
ref("R p normal", suppressWarnings(wilcox.test(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt1"), exact = FALSE, correct = FALSE)$p.value))
sub_("PlantGrowth ctrl vs trt2 (no ties, N = 20: exact)")
ref("n1, n2, R1, R2, U1, U2, tie groups, sd, z, p normal", mw(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2")))
ref("R W", wilcox.test(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2"), exact = TRUE)$statistic)
ref("R p exact two-sided", wilcox.test(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2"), exact = TRUE)$p.value)
ref("R p normal", wilcox.test(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2"), exact = FALSE, correct = FALSE)$p.value)
sub_("chickwts horsebean vs linseed (no ties, N = 22: exact)")
ref("n1, n2, R1, R2, U1, U2, tie groups, sd, z, p normal", mw(g(cw, "weight", "feed", "horsebean"), g(cw, "weight", "feed", "linseed")))
ref("R p exact", wilcox.test(g(cw, "weight", "feed", "horsebean"), g(cw, "weight", "feed", "linseed"), exact = TRUE)$p.value)
sub_("chickwts linseed vs soybean (ties: normal)")
ref("n1, n2, R1, R2, U1, U2, tie groups, sd, z, p normal", mw(g(cw, "weight", "feed", "linseed"), g(cw, "weight", "feed", "soybean")))
ref("R p normal", suppressWarnings(wilcox.test(g(cw, "weight", "feed", "linseed"), g(cw, "weight", "feed", "soybean"), exact = FALSE, correct = FALSE)$p.value))

## ---------------------------------------------------------------- 15 Wald-Wolfowitz
section(15, "Wald-Wolfowitz runs")
note("Wald-Wolfowitz runs test as in Siegel (1956) / Siegel & Castellan (1988), Nonparametric Statistics for ",
     "the Behavioral Sciences (section numbers not checked here; the formulas are the standard ones and the exact ",
     "distribution is checked by enumeration in the Python half). Pool the two groups, sort, count runs r of group labels. ",
     "With ties across groups the order inside a tied block is undefined: the minimum and the maximum number of ",
     "runs over all orders of the tied cases are reported (computed below by dynamic programming over the tied ",
     "blocks, and checked by enumerating every order of the tied cases). ",
     "E(r) = 2 m n / N + 1, Var(r) = 2 m n (2 m n - N) / (N^2 (N - 1)). ",
     "z without correction = (r - E)/SD; z_cc moves r - E by 0.5 toward zero (the continuity correction the ",
     "textbooks recommend for small samples; engine.md does not say which one it reports, so both are given). One-sided p = P(R <= r): normal Phi(z), and exact from the runs distribution ",
     "P(R = 2s) = 2 C(m-1, s-1) C(n-1, s-1) / C(N, m), ",
     "P(R = 2s+1) = (C(m-1, s-1) C(n-1, s) + C(m-1, s) C(n-1, s-1)) / C(N, m).")
code('
# blocks of equal values in the pooled sorted sample: counts of group 1 (a) and group 2 (b)
blocks <- function(x, y) {
  v <- sort(unique(c(x, y)))
  cbind(a = sapply(v, function(u) sum(x == u)), b = sapply(v, function(u) sum(y == u)))
}
# min / max number of label changes inside a block that starts with label f and ends with l (1 = group 1)
inner <- function(a, b, f, l) {
  if (a == 0 || b == 0) { lab <- if (a > 0) 1 else 2; return(if (f == lab && l == lab) c(0, 0) else NULL) }
  if (f == l) { nf <- if (f == 1) a else b; no <- if (f == 1) b else a
    if (nf < 2) return(NULL); return(c(2, 2 * min(no, nf - 1))) }
  c(1, 2 * min(a, b) - 1)
}
ww_minmax <- function(x, y) {
  B <- blocks(x, y); first <- TRUE
  cur_min <- c(Inf, Inf); cur_max <- c(-Inf, -Inf)          # indexed by last label
  for (i in seq_len(nrow(B))) {
    nmin <- c(Inf, Inf); nmax <- c(-Inf, -Inf)
    for (f in 1:2) for (l in 1:2) {
      w <- inner(B[i, 1], B[i, 2], f, l); if (is.null(w)) next
      if (first) { nmin[l] <- min(nmin[l], w[1]); nmax[l] <- max(nmax[l], w[2]) }
      else for (p in 1:2) {
        if (is.finite(cur_min[p])) nmin[l] <- min(nmin[l], cur_min[p] + w[1] + (p != f))
        if (is.finite(cur_max[p])) nmax[l] <- max(nmax[l], cur_max[p] + w[2] + (p != f))
      }
    }
    cur_min <- nmin; cur_max <- nmax; first <- FALSE
  }
  c(min_runs = 1 + min(cur_min), max_runs = 1 + max(cur_max))
}
pruns <- function(r, m, n) {   # exact P(R <= r)
  N <- m + n; tot <- 0
  for (u in 2:r) { s <- u %/% 2
    pr <- if (u %% 2 == 0) 2 * choose(m - 1, s - 1) * choose(n - 1, s - 1)
          else choose(m - 1, s - 1) * choose(n - 1, s) + choose(m - 1, s) * choose(n - 1, s - 1)
    tot <- tot + pr }
  tot / choose(N, m)
}
ww <- function(x, y) {
  x <- x[!is.na(x)]; y <- y[!is.na(y)]; m <- length(x); n <- length(y); N <- m + n
  E <- 2 * m * n / N + 1; V <- 2 * m * n * (2 * m * n - N) / (N^2 * (N - 1)); mm <- ww_minmax(x, y)
  out <- c(m = m, n = n, expected = E, sd = sqrt(V))
  for (nm in names(mm)) { r <- mm[[nm]]; d <- r - E; dcc <- if (d >= 0.5) d - 0.5 else if (d <= -0.5) d + 0.5 else 0
    out <- c(out, setNames(c(r, d / sqrt(V), pnorm(d / sqrt(V)), dcc / sqrt(V), pnorm(dcc / sqrt(V)), pruns(r, m, n)),
                           paste0(nm, c("", "_z", "_p_lower", "_z_cc", "_p_lower_cc", "_p_exact_lower")))) }
  out
}
# brute-force check of min/max: every order of the cases inside each tied block
ww_brute <- function(x, y) {
  B <- blocks(x, y); perms_of <- function(a, b) { if (a == 0 || b == 0) return(list(rep(if (a) 1 else 2, a + b)))
    cmb <- combn(a + b, a); lapply(seq_len(ncol(cmb)), function(j) { v <- rep(2, a + b); v[cmb[, j]] <- 1; v }) }
  opts <- lapply(seq_len(nrow(B)), function(i) perms_of(B[i, 1], B[i, 2]))
  idx <- expand.grid(lapply(opts, seq_along)); rr <- apply(idx, 1, function(ii) {
    s <- unlist(lapply(seq_along(ii), function(j) opts[[j]][[ii[j]]])); 1 + sum(s[-1] != s[-length(s)]) })
  c(min_runs = min(rr), max_runs = max(rr))
}
')
sub_("PlantGrowth ctrl vs trt2 (no ties)")
ref("m, n, E, sd, min_runs, z, p_lower, z_cc, p_lower_cc, p_exact_lower, max_runs, ...", ww(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2")))
ref("brute force min/max", ww_brute(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2")))
ref("pooled sorted labels (1 = ctrl)", { x <- g(pg, "weight", "group", "ctrl"); y <- g(pg, "weight", "group", "trt2"); paste(c(rep(1, 10), rep(2, 10))[order(c(x, y))], collapse = "") })
sub_("PlantGrowth ctrl vs trt1 (one tied block {4.17 ctrl, 4.17 trt1})")
ref("m, n, E, sd, min_runs, z, p_lower, z_cc, p_lower_cc, p_exact_lower, max_runs, ...", ww(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt1")))
ref("brute force min/max", ww_brute(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt1")))
sub_("chickwts linseed vs soybean (tied blocks across groups)")
ref("blocks with both groups (value, a, b)", { x <- g(cw, "weight", "feed", "linseed"); y <- g(cw, "weight", "feed", "soybean"); B <- blocks(x, y); v <- sort(unique(c(x, y))); w <- B[, 1] > 0 & B[, 2] > 0; as.vector(t(cbind(v[w], B[w, , drop = FALSE]))) })
ref("m, n, E, sd, min_runs, z, p_lower, z_cc, p_lower_cc, p_exact_lower, max_runs, ...", ww(g(cw, "weight", "feed", "linseed"), g(cw, "weight", "feed", "soybean")))
ref("brute force min/max", ww_brute(g(cw, "weight", "feed", "linseed"), g(cw, "weight", "feed", "soybean")))
sub_("hand-made tie example (not a file): x = 1 2 2 2 5, y = 2 2 3 5 5")
ref("min/max runs (DP)", ww_minmax(c(1, 2, 2, 2, 5), c(2, 2, 3, 5, 5)))
ref("brute force min/max", ww_brute(c(1, 2, 2, 2, 5), c(2, 2, 3, 5, 5)))

## ---------------------------------------------------------------- 16 two-sample KS
section(16, "Two-sample Kolmogorov-Smirnov")
note("Reference: scipy.stats.ks_2samp and kstwobign (Python half). F1, F2 = empirical CDFs of the first and ",
     "second group (ascending group order). D+ = max(F1 - F2), D- = max(F2 - F1) (the most negative difference ",
     "is -D-), D = max(D+, D-), Z = D sqrt(m n/(m + n)). R cross-check of D by evaluating both ECDFs at every pooled value.")
code('
ks2 <- function(x, y) { x <- x[!is.na(x)]; y <- y[!is.na(y)]; v <- sort(unique(c(x, y)))
  d <- ecdf(x)(v) - ecdf(y)(v); m <- length(x); n <- length(y)
  c(D = max(abs(d)), D_plus = max(d), D_minus = max(-d) + 0, Z = max(abs(d)) * sqrt(m * n / (m + n))) }
')
ref("PlantGrowth ctrl vs trt1: D, D+, D-, Z", ks2(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt1")))
ref("PlantGrowth ctrl vs trt2", ks2(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2")))
ref("chickwts horsebean vs linseed", ks2(g(cw, "weight", "feed", "horsebean"), g(cw, "weight", "feed", "linseed")))
ref("ToothGrowth len, OJ vs VC", ks2(g(tg, "len", "supp", "OJ"), g(tg, "len", "supp", "VC")))

## ---------------------------------------------------------------- 17 Moses
section(17, "Moses extreme reactions")
note("Moses test of extreme reactions: Siegel (1956), pp. 145 ff., the formula the brief cites as Siegel & Castellan ",
     "(1988), p. 147 ff. (page not checked here; the formula is verified below by full enumeration, which is the ",
     "real guarantee). Rank the pooled sample (control m cases, experimental n cases). Span s = (largest control rank - ",
     "smallest control rank) + 1. Trimmed: drop the h lowest and h highest control ranks first (the ranks are not ",
     "recomputed), h = max(1, floor(0.05 m)) for trim=0.05, or h = the given count for outliers=COUNT. One-sided exact p: with ",
     "g = s_h - (m - 2h), P(s_h <= m - 2h + g) = sum_{i=0}^{g} C(i + m - 2h - 2, i) C(n + 2h + 1 - i, n - i) / C(m + n, m) ",
     "(h = 0 gives the untrimmed p). The formula is checked below against a full enumeration of all C(N, m) ",
     "placements of the control ranks. Examples without ties (average ranks would make the span non-integer).")
code('
moses_p <- function(s, m, n, h) { g <- s - (m - 2 * h); if (g < 0) return(0)
  i <- 0:g; sum(choose(i + m - 2 * h - 2, i) * choose(n + 2 * h + 1 - i, n - i)) / choose(m + n, m) }
moses <- function(ctrl, expt, h = max(1, floor(0.05 * length(ctrl)))) {
  m <- length(ctrl); n <- length(expt); r <- rank(c(ctrl, expt))[1:m]; rs <- sort(r)
  s0 <- rs[m] - rs[1] + 1; sh <- rs[m - h] - rs[1 + h] + 1
  c(m = m, n = n, h = h, span = s0, p_span = moses_p(s0, m, n, 0), trimmed_span = sh, p_trimmed = moses_p(sh, m, n, h))
}
moses_enum <- function(s, m, n, h) { cm <- combn(m + n, m)
  sp <- apply(cm, 2, function(r) r[m - h] - r[1 + h] + 1); mean(sp <= s) }
')
sub_("PlantGrowth, control = ctrl, experimental = trt2")
ref("control ranks in the pooled sample", sort(rank(c(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2")))[1:10]))
ref("m, n, h, span, p(span), trimmed span, p(trimmed)", moses(g(pg, "weight", "group", "ctrl"), g(pg, "weight", "group", "trt2")))
sub_("PlantGrowth, control = trt2, experimental = ctrl")
ref("control ranks in the pooled sample", sort(rank(c(g(pg, "weight", "group", "trt2"), g(pg, "weight", "group", "ctrl")))[1:10]))
ref("m, n, h, span, p(span), trimmed span, p(trimmed)", mo2 <- moses(g(pg, "weight", "group", "trt2"), g(pg, "weight", "group", "ctrl")))
note("Arithmetic for control = trt2: m = n = 10, h = max(1, floor(0.5)) = 1. Untrimmed g = s - 10; trimmed g = s_1 - 8; ",
     "p(trimmed) = sum_{i=0}^{g} C(i + 6, i) C(13 - i, 10 - i) / C(20, 10), C(20, 10) = 184756.")
ref("enumeration check, untrimmed p (control = trt2)", moses_enum(mo2[["span"]], 10, 10, 0))
ref("enumeration check, trimmed p (control = trt2)", moses_enum(mo2[["trimmed_span"]], 10, 10, 1))
ref("control = trt2, outliers=2 (h = 2): m, n, h, span, p, trimmed span, p", moses(g(pg, "weight", "group", "trt2"), g(pg, "weight", "group", "ctrl"), h = 2))
ref("enumeration check, h = 2", { s2 <- moses(g(pg, "weight", "group", "trt2"), g(pg, "weight", "group", "ctrl"), h = 2)[["trimmed_span"]]; moses_enum(s2, 10, 10, 2) })
sub_("chickwts, control = horsebean (m = 10), experimental = linseed (n = 12)")
ref("m, n, h, span, p(span), trimmed span, p(trimmed)", moses(g(cw, "weight", "feed", "horsebean"), g(cw, "weight", "feed", "linseed")))

## ---------------------------------------------------------------- 18 independent HL
section(18, "Independent-samples Hodges-Lehmann")
note("R's `wilcox.test(x, y, conf.int = TRUE)` estimates the shift x - y (first group minus second). Estimate: ",
     "median of the m n differences x_i - y_j. Exact interval: differences of ordinal q and m n + 1 - q, ",
     "q = qwilcox(0.025, m, n). Asymptotic (exact = FALSE, correct = FALSE): R's uniroot values (~1e-4) and the ",
     "difference they converge to (snapped).")
code('
pdiff <- function(x, y) sort(as.vector(outer(x, y, "-")))
ctrl <- g(pg, "weight", "group", "ctrl"); trt1 <- g(pg, "weight", "group", "trt1"); trt2 <- g(pg, "weight", "group", "trt2")
e2 <- wilcox.test(ctrl, trt2, conf.int = TRUE, exact = TRUE)
a2 <- wilcox.test(ctrl, trt2, conf.int = TRUE, exact = FALSE, correct = FALSE)
a1 <- suppressWarnings(wilcox.test(ctrl, trt1, conf.int = TRUE, exact = FALSE, correct = FALSE))
')
ref("ctrl - trt2: median of differences", median(pdiff(ctrl, trt2)))
ref("R estimate (exact)", e2$estimate)
ref("R 95% interval (exact)", e2$conf.int)
ref("q = qwilcox(0.025, 10, 10); diffs[q], diffs[100 + 1 - q]", c(qwilcox(0.025, 10, 10), pdiff(ctrl, trt2)[qwilcox(0.025, 10, 10)], pdiff(ctrl, trt2)[100 + 1 - qwilcox(0.025, 10, 10)]))
ref("R estimate (asymptotic, uniroot ~1e-4)", a2$estimate)
ref("ordinal k = ceiling(mn/2 - z sd_U) (no ties) and diffs[k], diffs[mn + 1 - k]", { k <- ceiling(50 - qnorm(0.975) * sqrt(10 * 10 * 21 / 12)); c(k, pdiff(ctrl, trt2)[k], pdiff(ctrl, trt2)[100 + 1 - k]) })
ref("R 95% interval (asymptotic, uniroot ~1e-4)", a2$conf.int)
ref("snapped asymptotic interval", c(snap(a2$conf.int[1], pdiff(ctrl, trt2)), snap(a2$conf.int[2], pdiff(ctrl, trt2))))
ref("ctrl - trt1 (ties): median of differences", median(pdiff(ctrl, trt1)))
ref("R estimate (asymptotic, uniroot ~1e-4)", a1$estimate)
ref("R 95% interval (asymptotic, uniroot ~1e-4)", a1$conf.int)
ref("snapped asymptotic interval", c(snap(a1$conf.int[1], pdiff(ctrl, trt1)), snap(a1$conf.int[2], pdiff(ctrl, trt1))))

## ---------------------------------------------------------------- 19 Kruskal-Wallis
section(19, "Kruskal-Wallis and Dunn's pairwise comparisons")
note("H with tie correction (R kruskal.test = scipy.stats.kruskal). Dunn (1964): for groups i < j (ascending group ",
     "order), z = (Rbar_i - Rbar_j) / SE, SE = sqrt((N(N+1)/12 - sum(t^3 - t)/(12(N - 1))) (1/n_i + 1/n_j)), ",
     "p = 2 (1 - Phi(|z|)), Bonferroni p = min(1, p k(k-1)/2). The same without the tie term in SE is given for ",
     "comparison (`SE_untied`, `z_untied`, ...).")
code('
dunn <- function(y, grp) {
  ok <- !is.na(y) & !is.na(grp); y <- y[ok]; grp <- grp[ok]
  lev <- sort(unique(grp)); N <- length(y); r <- rank(y); t <- table(r); k <- length(lev)
  Rb <- sapply(lev, function(l) mean(r[grp == l])); nn <- sapply(lev, function(l) sum(grp == l))
  S2 <- N * (N + 1) / 12 - sum(t^3 - t) / (12 * (N - 1)); S2u <- N * (N + 1) / 12
  out <- NULL
  for (i in 1:(k - 1)) for (j in (i + 1):k) {
    d <- Rb[i] - Rb[j]; se <- sqrt(S2 * (1 / nn[i] + 1 / nn[j])); seu <- sqrt(S2u * (1 / nn[i] + 1 / nn[j]))
    p <- 2 * pnorm(-abs(d / se)); pu <- 2 * pnorm(-abs(d / seu))
    out <- rbind(out, data.frame(pair = paste(lev[i], lev[j], sep = "-"), diff = d, SE = se, z = d / se, p = p,
      p_bonf = min(1, p * k * (k - 1) / 2), SE_untied = seu, z_untied = d / seu, p_untied = pu,
      p_bonf_untied = min(1, pu * k * (k - 1) / 2)))
  }
  list(mean_ranks = setNames(Rb, lev), n = setNames(nn, lev), pairs = out)
}
show_dunn <- function(dn) {
  cat(sprintf("- mean ranks (%s) = `%s`\n", paste(names(dn$mean_ranks), collapse = ", "), fmt(dn$mean_ranks)))
  for (i in seq_len(nrow(dn$pairs))) { p <- dn$pairs[i, ]
    cat(sprintf("- %s: diff, SE, z, p, p_bonf = `%s`; untied SE, z, p, p_bonf = `%s`\n", p$pair,
                fmt(c(p$diff, p$SE, p$z, p$p, p$p_bonf)), fmt(c(p$SE_untied, p$z_untied, p$p_untied, p$p_bonf_untied)))) }
  cat("\n")
}
')
sub_("PlantGrowth weight by group")
ref("H", kruskal.test(weight ~ group, data = pg)$statistic)
ref("df", kruskal.test(weight ~ group, data = pg)$parameter)
ref("p", kruskal.test(weight ~ group, data = pg)$p.value)
cat("`show_dunn(dunn(pg$weight, pg$group))`\n\n"); show_dunn(dunn(pg$weight, pg$group))
sub_("chickwts weight by feed")
ref("H", kruskal.test(weight ~ feed, data = cw)$statistic)
ref("p", kruskal.test(weight ~ feed, data = cw)$p.value)
cat("`show_dunn(dunn(cw$weight, cw$feed))`\n\n"); show_dunn(dunn(cw$weight, cw$feed))
sub_("iris Sepal.Length by Species")
ref("H", kruskal.test(Sepal.Length ~ Species, data = ir)$statistic)
ref("p", kruskal.test(Sepal.Length ~ Species, data = ir)$p.value)
cat("`show_dunn(dunn(ir$Sepal.Length, ir$Species))`\n\n"); show_dunn(dunn(ir$Sepal.Length, ir$Species))
ref("iris Petal.Width by Species: H", kruskal.test(Petal.Width ~ Species, data = ir)$statistic)
ref("p", kruskal.test(Petal.Width ~ Species, data = ir)$p.value)

## ---------------------------------------------------------------- 20 Jonckheere-Terpstra
section(20, "Jonckheere-Terpstra")
note("J = sum over ordered group pairs i < j (in the test order) of #(x_i < x_j) + 0.5 #(x_i = x_j). ",
     "E(J) = (N^2 - sum n_i^2)/4. Variance with ties (Hollander & Wolfe 1999, Nonparametric Statistical Methods, ",
     "2nd ed., section 6.2, the large-sample approximation with ties (equation number not checked here); the same formula ",
     "is in Lehmann 1975, Nonparametrics; it is the exact null variance of J given the tie pattern, as the ",
     "enumeration check below confirms):  \n",
     "Var(J) = [N(N-1)(2N+5) - sum n_i(n_i-1)(2n_i+5) - sum t(t-1)(2t+5)] / 72 ",
     "+ [sum n_i(n_i-1)(n_i-2)] [sum t(t-1)(t-2)] / (36 N(N-1)(N-2)) ",
     "+ [sum n_i(n_i-1)] [sum t(t-1)] / (8 N(N-1)),  \n",
     "t = sizes of the tie groups. Without ties it reduces to [N^2(2N+3) - sum n_i^2(2n_i+3)]/72. ",
     "z = (J - E)/SD; p one-sided = 1 - Phi(z) (alternative: increasing in the test order); two-sided = 2(1 - Phi(|z|)). ",
     "The variance formula is checked below against the exact permutation variance of J on a small tied example. ",
     "Exact distribution (no ties): J is the sum of the independent Mann-Whitney counts of group i against the union ",
     "of groups i+1..k, so its distribution is the convolution of dwilcox(., n_i, n_{i+1} + ... + n_k).")
code('
jt <- function(y, grp, order) {
  ok <- !is.na(y) & !is.na(grp); y <- y[ok]; grp <- grp[ok]
  xs <- lapply(order, function(l) y[grp == l]); n <- sapply(xs, length); N <- sum(n); k <- length(xs)
  J <- 0; for (i in 1:(k - 1)) for (j in (i + 1):k) J <- J + sum(outer(xs[[i]], xs[[j]], "<")) + 0.5 * sum(outer(xs[[i]], xs[[j]], "=="))
  t <- as.vector(table(rank(y))); E <- (N^2 - sum(n^2)) / 4
  V <- (N * (N - 1) * (2 * N + 5) - sum(n * (n - 1) * (2 * n + 5)) - sum(t * (t - 1) * (2 * t + 5))) / 72 +
       sum(n * (n - 1) * (n - 2)) * sum(t * (t - 1) * (t - 2)) / (36 * N * (N - 1) * (N - 2)) +
       sum(n * (n - 1)) * sum(t * (t - 1)) / (8 * N * (N - 1))
  Vu <- (N^2 * (2 * N + 3) - sum(n^2 * (2 * n + 3))) / 72
  z <- (J - E) / sqrt(V)
  c(N = N, J = J, mean = E, sd = sqrt(V), z = z, p_one_sided = pnorm(z, lower.tail = FALSE),
    p_two_sided = 2 * pnorm(-abs(z)), sd_untied = sqrt(Vu), z_untied = (J - E) / sqrt(Vu))
}
jt_exact_upper <- function(J, n) {     # P(J >= j), no ties
  k <- length(n); dist <- 1
  for (i in 1:(k - 1)) { m2 <- sum(n[(i + 1):k]); d <- dwilcox(0:(n[i] * m2), n[i], m2)
    dist <- convolve(dist, rev(d), type = "open") }
  dist <- pmax(dist, 0); sum(dist[(0:(length(dist) - 1)) >= J - 1e-9]) }
')
sub_("PlantGrowth weight, order ctrl, trt1, trt2 (one tie: 4.17 twice)")
ref("N, J, mean, sd, z, p one-sided, p two-sided, sd untied, z untied", jt(pg$weight, pg$group, c("ctrl", "trt1", "trt2")))
ref("descending order (trt2, trt1, ctrl)", jt(pg$weight, pg$group, c("trt2", "trt1", "ctrl")))
ref("pairwise ctrl-trt1", jt(pg$weight, pg$group, c("ctrl", "trt1")))
ref("pairwise ctrl-trt2", jt(pg$weight, pg$group, c("ctrl", "trt2")))
ref("pairwise trt1-trt2", jt(pg$weight, pg$group, c("trt1", "trt2")))
note("Pairwise: the same J on the two groups only (their own N, mean, tie-corrected SD), one-sided p in the test order.")
sub_("warpbreaks breaks by tension, in R's factor order L, M, H (as texts they sort H, L, M)")
ref("N, J, mean, sd, z, p one-sided, p two-sided, sd untied, z untied", jt(wb$breaks, wb$tension, c("L", "M", "H")))
ref("text order (H, L, M)", jt(wb$breaks, wb$tension, c("H", "L", "M")))
sub_("jt_small.csv (hand-made, no ties), order 1, 2, 3")
ref("N, J, mean, sd, z, p one-sided, p two-sided, sd untied, z untied", jt(jts$score, jts$group, c(1, 2, 3)))
ref("exact P(J >= j) (convolution)", jt_exact_upper(jt(jts$score, jts$group, c(1, 2, 3))[["J"]], c(3, 4, 3)))
ref("exact P(J >= j) by enumerating all 10!/(3! 4! 3!) = 4200 group assignments", {
  y <- jts$score; Jobs <- jt(y, jts$group, 1:3)[["J"]]; cnt <- 0; tot <- 0
  for (a in combn(10, 3, simplify = FALSE)) { rest <- setdiff(1:10, a)
    for (b in combn(rest, 4, simplify = FALSE)) { gg <- rep(3, 10); gg[a] <- 1; gg[b] <- 2
      tot <- tot + 1; cnt <- cnt + (jt(y, gg, 1:3)[["J"]] >= Jobs - 1e-9) } }
  cnt / tot })
ref("exact two-sided = min(1, 2 min(P(J >= j), P(J <= j)))", { Jo <- jt(jts$score, jts$group, 1:3)[["J"]]; min(1, 2 * min(jt_exact_upper(Jo, c(3, 4, 3)), 1 - jt_exact_upper(Jo + 1, c(3, 4, 3)))) })
sub_("check of the tie-corrected variance (not a file): y = 1 1 2 2 2 3 4, groups of sizes 2, 3, 2")
ref("formula variance, exact permutation variance over all 7!/(2! 3! 2!) = 210 assignments", {
  y <- c(1, 1, 2, 2, 2, 3, 4); Js <- c()
  for (a in combn(7, 2, simplify = FALSE)) { rest <- setdiff(1:7, a)
    for (b in combn(rest, 3, simplify = FALSE)) { gg <- rep(3, 7); gg[a] <- 1; gg[b] <- 2; Js <- c(Js, jt(y, gg, 1:3)[["J"]]) } }
  c(jt(y, c(1, 1, 2, 2, 2, 3, 3), 1:3)[["sd"]]^2, mean((Js - mean(Js))^2)) })

## ---------------------------------------------------------------- 21 median test
section(21, "Median test")
note("Reference: scipy.stats.median_test (Python half; ties='below', i.e. values equal to the pooled median count ",
     "as at-or-below). R cross-check: the same 2 x k table with chisq.test (Yates only for 2 groups) and fisher.test.")
code('
medtab <- function(y, grp, lev, med = median(y[grp %in% lev & !is.na(y)])) {
  t(sapply(lev, function(l) { v <- y[grp == l & !is.na(y)]; c(above = sum(v > med), at_or_below = sum(v <= med)) })) }
')
ref("PlantGrowth ctrl/trt1: pooled median", median(c(ctrl, trt1)))
ref("counts above (ctrl, trt1), at-or-below (ctrl, trt1)", as.vector(medtab(pg$weight, pg$group, c("ctrl", "trt1"))))
ref("chi-square, Yates", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1")), correct = TRUE)$statistic))
ref("p, Yates", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1")), correct = TRUE)$p.value))
ref("chi-square, no correction", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1")), correct = FALSE)$statistic))
ref("Fisher exact p (N = 20 <= 30)", fisher.test(medtab(pg$weight, pg$group, c("ctrl", "trt1")))$p.value)
ref("PlantGrowth 3 groups: pooled median", median(pg$weight))
ref("counts above (ctrl, trt1, trt2), at-or-below (...)", as.vector(medtab(pg$weight, pg$group, c("ctrl", "trt1", "trt2"))))
ref("chi-square", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1", "trt2")))$statistic))
ref("p", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1", "trt2")))$p.value))
ref("chickwts 6 feeds: pooled median", median(cw$weight))
ref("chi-square", suppressWarnings(chisq.test(medtab(cw$weight, cw$feed, sort(unique(cw$feed))))$statistic))
ref("PlantGrowth 3 groups, median=5 (given): counts above, at-or-below", as.vector(medtab(pg$weight, pg$group, c("ctrl", "trt1", "trt2"), med = 5)))
ref("chi-square, median=5", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1", "trt2"), med = 5))$statistic))
ref("p, median=5", suppressWarnings(chisq.test(medtab(pg$weight, pg$group, c("ctrl", "trt1", "trt2"), med = 5))$p.value))

## ---------------------------------------------------------------- 22 missing values
section(22, "Missing values: airquality")
note("airquality has 37 missing Ozone and 7 missing Solar.R. Test-by-test: each test drops the cases missing on its ",
     "own fields; listwise (for a run with tests on both Ozone and Solar.R): only the 111 cases complete on both.")
ref("Kruskal-Wallis Ozone by Month (N = 116): H", kruskal.test(Ozone ~ Month, data = aq)$statistic)
ref("p", kruskal.test(Ozone ~ Month, data = aq)$p.value)
ref("Ozone n per month (5..9)", as.vector(tapply(!is.na(aq$Ozone), aq$Month, sum)))
cat("`show_dunn(dunn(aq$Ozone, aq$Month))`\n\n"); show_dunn(dunn(aq$Ozone, aq$Month))
ref("Kruskal-Wallis Solar.R by Month, test-by-test (N = 146): H", kruskal.test(Solar.R ~ Month, data = aq)$statistic)
ref("p", kruskal.test(Solar.R ~ Month, data = aq)$p.value)
ref("Kruskal-Wallis Solar.R by Month, listwise with Ozone (N = 111): H", kruskal.test(Solar.R ~ Month, data = aq[!is.na(aq$Ozone) & !is.na(aq$Solar.R), ])$statistic)
ref("p", kruskal.test(Solar.R ~ Month, data = aq[!is.na(aq$Ozone) & !is.na(aq$Solar.R), ])$p.value)
ref("Kruskal-Wallis Ozone by Month, listwise with Solar.R (N = 111): H", kruskal.test(Ozone ~ Month, data = aq[!is.na(aq$Ozone) & !is.na(aq$Solar.R), ])$statistic)
ref("Mann-Whitney Ozone, Month 5 vs 6 (groups=5,6): n1, n2, R1, R2, U1, U2, tie groups, sd, z, p normal", mw(g(aq, "Ozone", "Month", 5), g(aq, "Ozone", "Month", 6)))
ref("R p normal", suppressWarnings(wilcox.test(g(aq, "Ozone", "Month", 5), g(aq, "Ozone", "Month", 6), exact = FALSE, correct = FALSE)$p.value))
ref("Mann-Whitney Ozone, Month 7 vs 8: n1, n2, R1, R2, U1, U2, tie groups, sd, z, p normal", mw(g(aq, "Ozone", "Month", 7), g(aq, "Ozone", "Month", 8)))
ref("Jonckheere-Terpstra Ozone by Month, ascending order", jt(aq$Ozone, aq$Month, 5:9))
ref("median test Ozone by Month: pooled median", median(aq$Ozone, na.rm = TRUE))
ref("counts above (5..9), at-or-below (5..9)", as.vector(medtab(aq$Ozone, aq$Month, 5:9)))
ref("chi-square", suppressWarnings(chisq.test(medtab(aq$Ozone, aq$Month, 5:9))$statistic))
ref("one-sample Wilcoxon Ozone, median=30: N, W+, W-, tie groups, mean, sd, z, p", wil1(aq$Ozone, 30))
ref("sign Ozone Temp: see section 7", signt(aq$Ozone, aq$Temp)[c("n_pos", "n_neg", "n")])
