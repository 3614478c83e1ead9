// What the browser test and the screenshot tool share: making reports with
// npar-report, starting Debian's Chromium headless through playwright-core,
// and opening a report from a file:// URL with every request but the report
// itself refused and recorded, every console message and page error kept.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, '..', '..');

// playwright-core comes from the project's npm installation in web/.
const require = createRequire(path.join(sourceDir, 'web', 'package.json'));
const { chromium } = require('playwright-core');

export const chromiumPath = process.env.NPAR_CHROMIUM || '/usr/bin/chromium';

// Flags for a headless Chromium on a machine without network: no sandbox (run
// as root), no GPU, and none of the browser's own background connections.
const chromiumFlags = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

// Command-line options as a map: --name value.
export function parseOptions(argv, names) {
  const options = {};
  for (let i = 0; i < argv.length; i += 1) {
    const name = argv[i].replace(/^--/, '');
    if (!names.includes(name) || i + 1 >= argv.length) {
      throw new Error(`unknown option or missing value: ${argv[i]}`);
    }
    options[name] = argv[i + 1];
    i += 1;
  }
  for (const name of names) {
    if (!options[name]) throw new Error(`--${name} is required`);
  }
  return options;
}

export function makeTempDir(prefix) {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

// Runs npar-report with args; its standard output as text.
export function runReport(program, args) {
  return execFileSync(program, args, { encoding: 'utf8', maxBuffer: 256 * 1024 * 1024 });
}

// The chart items of a JSON output document, in document order (the order
// the HTML report numbers them: chart-1, chart-2, ...), each with the texts
// of the headings it stands under (outer first) as headingPath.
export function chartItems(document) {
  const charts = [];
  const walk = (items, headings) => {
    for (const item of items) {
      if (item.type === 'heading') walk(item.items, [...headings, item.text]);
      else if (item.type === 'chart') charts.push({ ...item, headingPath: headings });
    }
  };
  walk(document.items, []);
  return charts;
}

// A headless Chromium with a fresh profile. close() ends it and removes the profile.
export async function startBrowser() {
  const profile = makeTempDir('npar-chromium-');
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    args: chromiumFlags,
    viewport: { width: 1400, height: 1000 },
    deviceScaleFactor: 1,
    offline: true,
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Runs axe-core, the accessibility checker from the project's npm
// installation, over the open page; gives its violations. The checker is
// evaluated in the page by the driver, so the page's policy, which allows no
// script but its own, does not stand in its way.
export async function accessibilityViolations(page) {
  const source = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
  await page.evaluate(source);
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  return result.violations.map((violation) => ({
    id: violation.id,
    impact: violation.impact,
    help: violation.help,
    targets: violation.nodes.map((node) => node.target.join(' ')),
  }));
}

// Opens the report file in a new page and waits until every chart has
// settled (drawn or failed). Gives the page and what it saw: console
// messages, page errors and every request (all but the report refused).
export async function openReport(browser, file, { timeout = 90000 } = {}) {
  const url = pathToFileURL(path.resolve(file)).href;
  const page = await browser.context.newPage();
  const seen = { console: [], pageErrors: [], requests: [], refused: [] };
  page.on('console', (message) => {
    seen.console.push({ type: message.type(), text: message.text() });
  });
  page.on('pageerror', (error) => seen.pageErrors.push(String(error && error.stack ? error.stack : error)));
  page.on('request', (request) => seen.requests.push(request.url()));
  await page.route('**/*', (route) => {
    const requested = route.request().url();
    if (requested === url) return route.continue();
    seen.refused.push(requested);
    return route.abort('blockedbyclient');
  });
  await page.goto(url, { waitUntil: 'load', timeout });
  await page.waitForFunction(() => document.documentElement.getAttribute('data-charts') === 'done'
    || document.querySelectorAll('div.chart-view[data-spec]').length === 0, null, { timeout });
  return { page, url, seen };
}

// What every chart of the open page shows: its anchor, whether it is a
// drawn picture, its marks (elements of the data marks other than text), its
// bars (the items of its rectangle marks), axes whose tick labels crowd,
// texts of the picture, and the fallback's title and note.
export async function describeCharts(page) {
  return page.$$eval('figure.chart', (figures) => figures.map((figure) => {
    const view = figure.querySelector('div.chart-view');
    const svg = view ? view.querySelector('svg') : null;
    const marks = svg ? svg.querySelectorAll('g.role-mark:not(.mark-text) > *').length : 0;
    const bars = svg ? svg.querySelectorAll('g.role-mark.mark-rect > path').length : 0;
    const texts = svg ? Array.from(svg.querySelectorAll('text')).map((t) => t.textContent) : [];
    // Axes whose tick labels repeat a neighbour's text (ticks finer than
    // their labels' format can tell apart).
    const repeatedTicks = svg ? Array.from(svg.querySelectorAll('g.role-axis')).map((axis) => {
      const labels = Array.from(axis.querySelectorAll('g.role-axis-label text')).map((t) => t.textContent);
      return labels.filter((label, i) => i > 0 && label !== '' && label === labels[i - 1]);
    }).filter((repeats) => repeats.length > 0) : [];
    // Axes whose shown tick labels touch or overlap their neighbours'.
    const crowdedTicks = svg ? Array.from(svg.querySelectorAll('g.role-axis')).map((axis) => {
      const boxes = Array.from(axis.querySelectorAll('g.role-axis-label text'))
        .filter((t) => t.textContent !== '' && Number(t.getAttribute('opacity') ?? 1) > 0)
        .map((t) => ({ text: t.textContent, box: t.getBoundingClientRect() }));
      const horizontal = boxes.length > 1 && Math.abs(boxes[0].box.top - boxes[1].box.top) < 1;
      const along = (b) => (horizontal ? [b.box.left, b.box.right] : [b.box.top, b.box.bottom]);
      const sorted = boxes.sort((a, b) => along(a)[0] - along(b)[0]);
      return sorted.slice(1).filter((b, i) => along(b)[0] < along(sorted[i])[1] + 2)
        .map((b) => `${sorted[sorted.indexOf(b) - 1].text}|${b.text}`);
    }).filter((pairs) => pairs.length > 0) : [];
    const canvas = view ? view.querySelector('canvas') : null;
    const title = figure.querySelector('p.chart-title');
    const note = figure.querySelector('p.chart-note');
    const box = figure.getBoundingClientRect();
    const headingPath = [];
    for (let section = figure.closest('section.heading'); section;
      section = section.parentElement.closest('section.heading')) {
      const heading = section.querySelector(':scope > h1, :scope > h2, :scope > h3, :scope > h4, :scope > h5, :scope > h6');
      headingPath.unshift(heading ? heading.textContent : '');
    }
    return {
      id: figure.id,
      headingPath,
      placeholder: Boolean(view),
      state: view ? view.getAttribute('data-state') : null,
      svg: Boolean(svg),
      canvas: Boolean(canvas),
      marks,
      bars,
      repeatedTicks,
      crowdedTicks,
      texts,
      title: title ? title.textContent : null,
      note: note ? note.textContent : null,
      noteVisible: Boolean(note && note.getClientRects().length > 0),
      width: box.width,
      height: box.height,
    };
  }));
}
