// The HTML report in a real browser: headless Chromium opens the report of
// the full example from a file:// URL and every chart must draw an SVG with
// marks and axes whose tick labels neither repeat nor crowd, every histogram one bar per
// row of its data, with no console error, no page error, no request leaving
// the page and no violation that axe-core finds; a table's copy button and a
// results line's copy the table as tab-separated text and the line; each
// drawn chart's buttons save it as SVG and PNG files; printed on A4, no table or chart is
// wider than the page. A second report, made with a
// template edited to hold an element the renderer does not know, must show
// that chart's title and note while all its other charts still draw.
//
//   node report_in_browser.mjs --report PATH/npar-report --resources PATH/resources
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import {
  accessibilityViolations, chartItems, describeCharts, makeTempDir, openReport, parseOptions, runReport,
  startBrowser,
} from './browser.mjs';

const options = parseOptions(process.argv.slice(2), ['report', 'resources']);
const work = makeTempDir('npar-browser-test-');

// The template the second report edits, and the element it adds to its
// chart document: an element no chart document knows.
const editedTemplate = 'NPARChiSquareTest.viztemplate';
const unknownElement = '<unknownMark id="oddity"/>';

const results = [];
async function check(name, body) {
  try {
    await body();
    results.push({ name, ok: true });
    console.log(`ok - ${name}`);
  } catch (error) {
    results.push({ name, ok: false });
    console.log(`not ok - ${name}\n  ${String(error.message).split('\n').join('\n  ')}`);
  }
}

// The page saw no console error or warning (the chart library warns about
// specifications it has to drop parts of), no page error and no request but
// the report.
function assertQuietAndOffline(opened) {
  const errors = opened.seen.console.filter((m) => m.type === 'error' || m.type === 'warning')
    .map((m) => `${m.type}: ${m.text}`);
  assert.deepEqual(errors, [], 'console errors and warnings');
  assert.deepEqual(opened.seen.pageErrors, [], 'page errors');
  const others = opened.seen.requests.filter((u) => u !== opened.url);
  assert.deepEqual(others, [], 'requests other than the report');
  assert.deepEqual(opened.seen.refused, [], 'refused requests');
}

function assertDrawn(chart, item) {
  const label = `${chart.id} (${item.title})`;
  assert.ok(chart.placeholder, `${label}: no chart view (not drawable: ${chart.note})`);
  assert.equal(chart.state, 'drawn', `${label}: state ${chart.state}, note ${chart.note}`);
  assert.ok(chart.svg || chart.canvas, `${label}: neither SVG nor canvas`);
  assert.ok(chart.marks > 0, `${label}: the picture has no marks`);
  assert.ok(chart.width > 50 && chart.height > 50, `${label}: ${chart.width}x${chart.height} px`);
  assert.deepEqual(chart.repeatedTicks, [], `${label}: an axis repeats tick labels`);
  assert.deepEqual(chart.crowdedTicks, [], `${label}: an axis crowds its tick labels`);
}

// The histogram templates and the data column whose rows are their bars.
const histogramCounts = {
  'NPARHistogram.viztemplate': ['graphSource', 'count'],
  'NPARRelatedSamplesHistogram.viztemplate': ['graphSource', 'COUNTS'],
  'NPARKolmogorovSmirnov.viztemplate': ['graphSource', 'COUNTS'],
  'NPARWilcoxonPairSignedRank.viztemplate': ['graphSource', 'count'],
};

// The rows of a histogram's data: the cells of its count column that hold a number.
function histogramRows(item) {
  const [source, column] = histogramCounts[item.template];
  return ((item.data[source] || {})[column] || []).filter((cell) => typeof cell === 'number').length;
}

function textOf(file) {
  return fs.readFileSync(file, 'utf8');
}

// A copy of the resources with one template edited to hold the unknown
// element inside its visualization.
function resourcesWithUnknownElement() {
  const copy = path.join(work, 'resources');
  fs.cpSync(options.resources, copy, { recursive: true });
  const template = path.join(copy, 'templates', editedTemplate);
  const text = textOf(template);
  const at = text.lastIndexOf('</visualization>');
  assert.ok(at > 0, `${editedTemplate} has no </visualization>`);
  fs.writeFileSync(template, text.slice(0, at) + unknownElement + text.slice(at));
  return copy;
}

let browser;
try {
  const fullHtml = path.join(work, 'full.html');
  runReport(options.report, ['--resources', options.resources, '-o', fullHtml]);
  const full = JSON.parse(runReport(options.report, ['--resources', options.resources, '--format', 'json']));
  const fullCharts = chartItems(full);

  await check('the full example has charts, each with its Vega-Lite specification in the JSON form', () => {
    assert.ok(fullCharts.length >= 20, `only ${fullCharts.length} charts`);
    for (const item of fullCharts) {
      assert.ok('vegaLite' in item, `${item.title}: no "vegaLite" in the chart item`);
      assert.ok(item.vegaLite !== null && item.vegaLite !== '', `${item.title}: empty "vegaLite"`);
    }
  });

  await check('the report inlines its scripts and allows exactly them', () => {
    const html = textOf(fullHtml);
    const policy = /<meta http-equiv="Content-Security-Policy" content="([^"]*)">/.exec(html);
    assert.ok(policy, 'no Content-Security-Policy');
    assert.match(policy[1], /^default-src 'none'; style-src 'unsafe-inline'; script-src( 'sha256-[A-Za-z0-9+/=]{44}')+$/);
    assert.doesNotMatch(policy[1], /unsafe-eval|connect-src|https?:/);
    const scripts = html.match(/<script>/g) || [];
    assert.equal(scripts.length, policy[1].match(/sha256-/g).length, 'one hash per inline script');
    // Outside the scripts' text, nothing refers to another file.
    const markup = html.replace(/(<script[^>]*>)[\s\S]*?<\/script>/g, '$1</script>');
    const external = /<script[^>]* src=|<link |<img |<iframe|<object|<embed|url\(/.exec(markup);
    assert.ok(!external, `the page refers to another file: ${external && external[0]}`);
  });

  browser = await startBrowser();
  const opened = await openReport(browser, fullHtml);
  const charts = await describeCharts(opened.page);

  await check('every chart of the full example draws an SVG with marks under its headings', () => {
    assert.equal(charts.length, fullCharts.length, 'charts in the page and in the JSON form');
    charts.forEach((chart, i) => {
      assert.deepEqual(chart.headingPath, fullCharts[i].headingPath, `${chart.id}: the headings it stands under`);
      assertDrawn(chart, fullCharts[i]);
    });
  });

  await check('every histogram of the full example draws one bar per row of its data', () => {
    const histograms = fullCharts.map((item, i) => ({ item, chart: charts[i] }))
      .filter(({ item }) => item.template in histogramCounts);
    assert.ok(histograms.length >= 15, `only ${histograms.length} histograms`);
    for (const { item, chart } of histograms) {
      assert.equal(chart.bars, histogramRows(item), `${chart.id} (${item.title}): bars drawn and rows of its data`);
    }
  });

  await check('axe-core finds no accessibility violation in the full example', async () => {
    const violations = await accessibilityViolations(opened.page);
    const listed = violations.map((v) => `${v.id} (${v.impact}): ${v.help}\n    ${v.targets.slice(0, 5).join('\n    ')}`);
    assert.deepEqual(listed, [], 'violations');
  });

  await check('a table\'s copy button copies its tab-separated text, a results line\'s button its text', async () => {
    const { page } = opened;
    await browser.context.grantPermissions(['clipboard-read', 'clipboard-write']);
    const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
    const confirmed = (selector) => page.waitForFunction(
      (s) => document.querySelector(s).textContent === 'Copied', selector, { timeout: 5000 });

    // The Hypothesis Test Summary, table-1: a line per row of the drawn
    // table, the column labels and the first row as the JSON form has them.
    const summary = full.items.find((item) => item.type === 'table' && item.title === 'Hypothesis Test Summary');
    const labels = [...new Set(summary.cells.map((cell) => cell.column[0]))];
    const firstRow = summary.cells.filter((cell) => cell.row[0] === '1').map((cell) => cell.text);
    await page.click('#table-1 button.copy');
    await confirmed('#table-1 .copy-status');
    const lines = (await clipboard()).split('\n');
    assert.equal(lines.length, await page.$$eval('#table-1 table tr', (rows) => rows.length), 'one line per row');
    assert.equal(lines[0], ['', ...labels].join('\t'), 'the header row');
    assert.equal(lines[1], ['1', ...firstRow].join('\t'), 'the first row');

    // The first results line, copied from the keyboard.
    const first = [];
    const walk = (items) => items.forEach((item) => {
      if (item.type === 'text' && item.role === 'results') first.push(item.text);
      if (item.items) walk(item.items);
    });
    walk(full.items);
    assert.ok(first.length > 20, `only ${first.length} results lines`);
    await page.focus('#text-1 + button.copy');
    await page.keyboard.press('Enter');
    await confirmed('#text-1 ~ .copy-status');
    assert.equal(await clipboard(), first[0]);
  });

  await check('every drawn chart saves as an SVG and a PNG picture named after its title', async () => {
    const { page } = opened;
    const bars = await page.$$eval('figure.chart', (figures) => figures.map((figure) => ({
      drawn: figure.querySelector('div.chart-view[data-state="drawn"]') !== null,
      buttons: [...figure.querySelectorAll('div.chart-save button.save')].map((b) => b.textContent),
    })));
    bars.forEach((bar, i) => assert.deepEqual(bar.buttons, bar.drawn ? ['Save SVG', 'Save PNG'] : [], `chart ${i + 1}`));
    const title = await page.$eval('#chart-1 figcaption', (c) => c.textContent);
    const saved = async (kind) => {
      const [download] = await Promise.all([
        page.waitForEvent('download', { timeout: 10000 }),
        page.click(`#chart-1 button.save:has-text("Save ${kind}")`),
      ]);
      return { name: download.suggestedFilename(), bytes: fs.readFileSync(await download.path()) };
    };
    const svg = await saved('SVG');
    assert.equal(svg.name, `${title}.svg`);
    assert.match(svg.bytes.toString('utf8'), /^<svg[^>]*xmlns="http:\/\/www.w3.org\/2000\/svg"/);
    assert.ok(svg.bytes.toString('utf8').includes(title), 'the picture holds its title');
    const png = await saved('PNG');
    assert.equal(png.name, `${title}.png`);
    assert.deepEqual([...png.bytes.subarray(0, 8)], [0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a], 'a PNG file');
  });

  await check('the full example shows no console error or warning, no page error, and makes no request', () => {
    assertQuietAndOffline(opened);
  });

  await check('the outline links to every chart', async () => {
    const links = await opened.page.$$eval('nav.outline li.chart > a', (as) => as.map((a) => a.getAttribute('href')));
    assert.deepEqual(links, charts.map((c) => `#${c.id}`));
  });

  await check('printed on A4, every table and chart of the full example fits the page\'s width', async () => {
    const { page } = opened;
    await page.emulateMedia({ media: 'print' });
    // A4's 8.27 inches at 96 pixels an inch, less margins of 0.4 inches.
    await page.setViewportSize({ width: Math.floor((8.27 - 0.8) * 96), height: 1000 });
    const wider = await page.evaluate(() => {
      const width = document.documentElement.clientWidth;
      return [...document.querySelectorAll('table.pivot, figure.chart svg, table.chart-data')]
        .filter((element) => element.getBoundingClientRect().right > width + 0.5)
        .map((element) => element.closest('div.pivot, figure.chart').id);
    });
    assert.deepEqual(wider, [], 'items wider than the printed page');
  });
  await opened.page.close();

  // A chart document holding an unknown element: its title and note, and
  // every other chart still drawn.
  // The example ten times over: 400 charts. The page does not wait for them
  // all; scrolled to its end at once, it draws the charts there first.
  const manyHtml = path.join(work, 'many.html');
  const example = path.join(path.dirname(options.report), 'examples', 'full.xml');
  runReport(options.report, ['--resources', options.resources, '-o', manyHtml, ...Array(10).fill(example)]);
  await check('a report of many charts draws the charts one scrolls to before the others', async () => {
    const page = await browser.context.newPage();
    await page.addInitScript(() => {
      window.npar = { total: 0, drawnWhenLast: null };
      new MutationObserver(() => {
        const views = document.querySelectorAll('div.chart-view[data-spec]');
        const last = views[views.length - 1];
        if (window.npar.drawnWhenLast === null && last && last.getAttribute('data-state') === 'drawn') {
          window.npar.total = views.length;
          window.npar.drawnWhenLast = document.querySelectorAll('div.chart-view[data-state=drawn]').length;
        }
      }).observe(document, { attributes: true, subtree: true, attributeFilter: ['data-state'] });
    });
    await page.goto(pathToFileURL(manyHtml).href, { waitUntil: 'load', timeout: 120000 });
    await page.mouse.move(700, 500);
    for (let i = 0; i < 40; i += 1) await page.mouse.wheel(0, 20000);
    await page.waitForFunction(() => window.npar.drawnWhenLast !== null, null, { timeout: 120000, polling: 100 });
    const seen = await page.evaluate(() => window.npar);
    assert.ok(seen.total >= 200, `only ${seen.total} charts`);
    assert.ok(seen.drawnWhenLast < seen.total / 2,
      `the last chart was drawn only with ${seen.drawnWhenLast} of ${seen.total} charts`);
    await page.close();
  });

  const resources = resourcesWithUnknownElement();
  const editedHtml = path.join(work, 'edited.html');
  runReport(options.report, ['--resources', resources, '-o', editedHtml]);
  const edited = JSON.parse(runReport(options.report, ['--resources', resources, '--format', 'json']));
  const editedCharts = chartItems(edited);
  const openedEdited = await openReport(browser, editedHtml);
  const shown = await describeCharts(openedEdited.page);

  await check('a chart with an unknown element shows its title and a note, the others still draw', () => {
    assert.equal(shown.length, editedCharts.length);
    const undrawable = editedCharts.map((item, i) => (item.template === editedTemplate ? i : -1)).filter((i) => i >= 0);
    assert.ok(undrawable.length > 0, `no chart was made from ${editedTemplate}`);
    shown.forEach((chart, i) => {
      if (!undrawable.includes(i)) {
        assertDrawn(chart, editedCharts[i]);
        return;
      }
      assert.ok(!chart.placeholder, `${chart.id}: drawn although it holds an unknown element`);
      assert.equal(chart.title, editedCharts[i].title, `${chart.id}: title`);
      assert.ok(chart.noteVisible && chart.note.length > 0, `${chart.id}: no visible note`);
      assert.ok(!editedCharts[i].vegaLite, `${chart.id}: the JSON form still has a specification`);
    });
    assertQuietAndOffline(openedEdited);
  });
  await openedEdited.page.close();
} catch (error) {
  results.push({ name: 'run', ok: false });
  console.log(`not ok - the browser test could not run: ${error.stack || error}`);
} finally {
  if (browser) await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
}

const failed = results.filter((r) => !r.ok).length;
console.log(`${results.length - failed} passed, ${failed} failed`);
process.exitCode = failed === 0 && results.length > 0 ? 0 : 1;
