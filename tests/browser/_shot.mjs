import { openReport, startBrowser } from './browser.mjs';
const [file, out, text, height] = process.argv.slice(2);
const browser = await startBrowser();
try {
  const opened = await openReport(browser, file);
  await opened.page.setViewportSize({ width: Number(process.env.W || 1200), height: Number(height || 1400) });
  if (text) await opened.page.evaluate((t) => {
    const all = [...document.querySelectorAll('h1,h2,h3,h4,p,caption,div')];
    const el = all.find(e => e.textContent.trim().startsWith(t));
    if (el) el.scrollIntoView();
  }, text);
  await opened.page.waitForTimeout(1000);
  await opened.page.screenshot({ path: out });
} finally { await browser.close(); }
