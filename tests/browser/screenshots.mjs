// Screenshots of every chart kind of the full example's HTML report, drawn
// in headless Chromium, one PNG per kind named after it, and two of the page:
// its top with the summaries, and a chart under its test's heading
// (docs/screenshots/).
//
//   node screenshots.mjs --report PATH/npar-report --resources PATH/resources --out DIR
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  chartItems, describeCharts, makeTempDir, openReport, parseOptions, runReport, startBrowser,
} from './browser.mjs';

const options = parseOptions(process.argv.slice(2), ['report', 'resources', 'out']);
const maxBytes = 300 * 1024;

// Each kind: its file name, the template its chart is made from, and a part
// of its title; the first chart that matches is taken. hover: a mark to
// point at, so the screenshot shows its tooltip.
const kinds = [
  { name: 'histogram-categorical', template: 'NPARHistogram', title: /^Categorical Field Information/ },
  { name: 'histogram-continuous', template: 'NPARHistogram', title: /^Continuous Field Information Test score/ },
  { name: 'histogram-date', template: 'NPARHistogram', title: /^Continuous Field Information Enrolment date/ },
  { name: 'ks-fitted-curve-normal', template: 'NPARHistogram', title: /Kolmogorov-Smirnov Test \(Normal\)/ },
  { name: 'ks-fitted-curve-uniform', template: 'NPARHistogram', title: /Kolmogorov-Smirnov Test \(Uniform\)/ },
  { name: 'ks-fitted-curve-poisson', template: 'NPARHistogram', title: /Kolmogorov-Smirnov Test \(Poisson\)/ },
  { name: 'ks-fitted-curve-exponential', template: 'NPARHistogram', title: /Kolmogorov-Smirnov Test \(Exponential\)/ },
  { name: 'one-sample-wilcoxon-median-lines', template: 'NPARHistogram', title: /One-Sample Wilcoxon/ },
  { name: 'boxplot-kruskal-wallis-tooltip', template: 'NPARBoxplot', title: /Kruskal-Wallis/, hover: true },
  { name: 'boxplot-median-grand-median-line', template: 'NPARBoxplot', title: /Median Test/ },
  { name: 'boxplot-moses-legend', template: 'NPARBoxplot', title: /Moses/ },
  { name: 'boxplot-jonckheere-terpstra', template: 'NPARBoxplot', title: /Jonckheere/ },
  { name: 'two-group-histogram-mann-whitney', template: 'NPARRelatedSamplesHistogram', title: /Mann-Whitney/ },
  { name: 'two-group-histogram-wald-wolfowitz', template: 'NPARRelatedSamplesHistogram', title: /Wald-Wolfowitz/ },
  { name: 'two-group-histogram-kolmogorov-smirnov', template: 'NPARKolmogorovSmirnov', title: /Kolmogorov-Smirnov/ },
  { name: 'stacked-bar-binomial', template: 'NPARStackedBar', title: /Binomial/ },
  { name: 'stacked-bar-cochran', template: 'NPARStackedBar', title: /Cochran/ },
  { name: 'chi-square-clustered-bars', template: 'NPARChiSquareTest', title: /Chi-Square/ },
  { name: 'runs-curve-guides', template: 'NPAROneSampleRunsTest', title: /Runs/ },
  { name: 'facet-bars-mcnemar', template: 'FacetBarChart', title: /McNemar/ },
  { name: 'facet-bars-marginal-homogeneity', template: 'FacetBarChart', title: /Marginal Homogeneity/ },
  { name: 'related-histograms-friedman', template: 'NPARRelatedSamplesHistogram', title: /Friedman/ },
  { name: 'related-histograms-kendall', template: 'NPARRelatedSamplesHistogram', title: /Kendall/ },
  { name: 'differences-sign', template: 'NPARWilcoxonPairSignedRank', title: /Sign Test/ },
  { name: 'differences-wilcoxon', template: 'NPARWilcoxonPairSignedRank', title: /Wilcoxon/ },
  { name: 'network-pairwise', template: 'GLMMPairwiseContrasts', title: /Pairwise Comparisons/ },
];

const work = makeTempDir('npar-screenshots-');
const browser = await startBrowser();
let failed = 0;
try {
  const html = path.join(work, 'full.html');
  runReport(options.report, ['--resources', options.resources, '-o', html]);
  const items = chartItems(JSON.parse(runReport(options.report, ['--resources', options.resources, '--format', 'json'])));
  const opened = await openReport(browser, html);
  const charts = await describeCharts(opened.page);
  assert.equal(charts.length, items.length);
  fs.mkdirSync(options.out, { recursive: true });

  for (const kind of kinds) {
    const index = items.findIndex((item) => item.template.startsWith(kind.template) && kind.title.test(item.title));
    if (index < 0) {
      console.log(`missing: no chart for ${kind.name}`);
      failed += 1;
      continue;
    }
    const chart = charts[index];
    const file = path.join(options.out, `${kind.name}.png`);
    const view = opened.page.locator(`#${chart.id} div.chart-view`);
    await view.scrollIntoViewIfNeeded();
    let clip = await view.boundingBox();
    if (kind.hover) {
      // Point at the marks of the plot in turn until one shows its tooltip.
      const marks = opened.page.locator(`#${chart.id} g.role-mark > path, #${chart.id} g.role-mark > line`);
      const tooltip = opened.page.locator('#vg-tooltip-element.visible');
      const count = Math.min(await marks.count(), 60);
      for (let i = 0; i < count; i += 1) {
        await marks.nth(i).hover({ force: true }).catch(() => {});
        if (await tooltip.waitFor({ timeout: 300 }).then(() => true, () => false)) break;
      }
      const tip = await tooltip.boundingBox({ timeout: 1000 }).catch(() => null);
      if (tip) {
        const x = Math.min(clip.x, tip.x);
        const y = Math.min(clip.y, tip.y);
        clip = { x, y, width: Math.max(clip.x + clip.width, tip.x + tip.width) - x,
          height: Math.max(clip.y + clip.height, tip.y + tip.height) - y };
      } else {
        console.log(`note: ${kind.name}: no tooltip appeared`);
      }
    }
    await opened.page.screenshot({ path: file, clip });
    const size = fs.statSync(file).size;
    const state = chart.state === 'drawn' ? `${chart.marks} marks` : `not drawn: ${chart.note}`;
    console.log(`${kind.name}.png: ${items[index].title} (${chart.id}, ${state}, ${size} bytes)`);
    if (size >= maxBytes || chart.state !== 'drawn') failed += 1;
  }
  // The page around one chart: the outline beside it, the chart under its
  // test's heading between the test's tables.
  const around = items.findIndex((item) => /Kruskal-Wallis/.test(item.title));
  if (around >= 0) {
    await opened.page.mouse.move(0, 0);
    await opened.page.evaluate((id) => {
      document.getElementById(id).closest('section.heading').scrollIntoView();
    }, charts[around].id);
    const file = path.join(options.out, 'report-chart-under-its-heading.png');
    await opened.page.screenshot({ path: file });
    console.log(`report-chart-under-its-heading.png: the page at ${charts[around].id} (${fs.statSync(file).size} bytes)`);
  }
  // The page's top: the outline and the summaries of every test.
  await opened.page.mouse.move(0, 0);
  await opened.page.evaluate(() => window.scrollTo(0, 0));
  const top = path.join(options.out, 'report-tables.png');
  await opened.page.screenshot({ path: top });
  console.log(`report-tables.png: the top of the page (${fs.statSync(top).size} bytes)`);
  const errors = opened.seen.console.filter((m) => m.type === 'error' || m.type === 'warning');
  for (const message of errors) console.log(`console ${message.type}: ${message.text}`);
} finally {
  await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
}
process.exitCode = failed === 0 ? 0 : 1;
