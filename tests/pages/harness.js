// The pages under test: a loopback server over pages/ (with per-test
// replacements), Debian's Chromium driven by playwright-core, and an
// `external` stand-in that records every call the way the launcher's script
// bridge receives it (each argument as text).
'use strict';

const fs = require('fs');
const http = require('http');
const path = require('path');
const { chromium } = require('playwright-core');

const PAGES_DIR = process.env.OVX_PAGES_DIR || path.resolve(__dirname, '../../pages');
const CHROMIUM = process.env.OVX_CHROMIUM || '/usr/bin/chromium';

const PAGES = ['orunscrub', 'orunscrub_versions', 'orunscrub_progress', 'orunscrub_drs', 'orunscrub_complete'];
const LOCALES = ['de', 'en', 'es', 'fr', 'it', 'ja', 'ko', 'pt_BR', 'sv', 'zh_CN', 'zh_TW'];
const INFO_URL = 'https://orun.kyn.example/help/out-of-date.html';

// The frame window's client area. Dialog units are converted with the
// system's dialog base units, 8 x 16 pixels at 96 dpi: one unit is 2 pixels
// each way, so the default 250 x 177 units are 500 x 354 pixels. A page that
// sets its outer size gets that size less the widest Windows 10 frame at 96
// dpi (8 pixels each side, a 31-pixel caption): (16, 39) pixels.
const DEFAULT_CLIENT = { width: 500, height: 354 };
function clientForOuterSize(width, height) {
  return { width: width - 16, height: height - 39 };
}

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'application/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wxl': 'text/xml; charset=utf-8',
  '.png': 'image/png',
  '.gif': 'image/gif',
};

// Serves the flat pages/ folder; `overrides` maps a file name to a
// replacement { status, body } for the tests of broken or extra files.
function startServer() {
  const overrides = new Map();
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(req.url.split('?')[0].replace(/^\/+/, ''));
    const headers = { 'Cache-Control': 'no-store' };
    if (overrides.has(name)) {
      const o = overrides.get(name);
      headers['Content-Type'] = TYPES[path.extname(name)] || 'application/octet-stream';
      res.writeHead(o.status || 200, headers);
      return res.end(o.body || '');
    }
    const file = path.join(PAGES_DIR, name);
    if (name.includes('/') || name.includes('\\') || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404, headers);
      return res.end();
    }
    headers['Content-Type'] = TYPES[path.extname(name)] || 'application/octet-stream';
    res.writeHead(200, headers);
    res.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        base: `http://127.0.0.1:${server.address().port}/`,
        overrides,
        close: () => new Promise((done) => server.close(done)),
      });
    });
  });
}

// Runs in the page before its scripts. The query string chooses the locale the
// host answers ("locale"), leaves `external` out ("noexternal"), or adds an
// MSXML stand-in ("msxml") whose document completes after three host delays.
function installStandIns() {
  const query = new URLSearchParams(location.search);
  const calls = [];
  window.__calls = calls;
  if (query.has('noexternal')) {
    return;
  }
  const locale = query.get('locale') || 'en';
  let delays = 0;
  const record = (name) => function () {
    const args = Array.prototype.map.call(arguments, (a) => String(a));
    calls.push([name].concat(args));
    if (name === 'delay') {
      delays++;
    }
    return name === 'getLocale' ? locale : undefined;
  };
  const external = {
    getLocale: record('getLocale'),
    notify: record('notify'),
    log: record('log'),
    setWindowProp: record('setWindowProp'),
    delay: record('delay'),
  };
  Object.defineProperty(window, 'external', { value: external, configurable: true, writable: true });

  if (query.has('msxml')) {
    window.ActiveXObject = function (progId) {
      calls.push(['ActiveXObject', progId]);
      if (progId !== 'Msxml2.DOMDocument') {
        throw new Error('class not registered');
      }
      const doc = this;
      let loaded = null;
      let startDelays = 0;
      doc.async = false;
      doc.load = function (url) {
        calls.push(['msxml.load', url, String(doc.async)]);
        startDelays = delays;
        const request = new XMLHttpRequest();
        request.open('GET', url, false);
        request.send(null);
        const parsed = new DOMParser().parseFromString(request.status === 200 ? request.responseText : '', 'application/xml');
        const failed = request.status !== 200 || parsed.getElementsByTagName('parsererror').length > 0;
        loaded = {
          documentElement: failed ? null : parsed.documentElement,
          parseError: { errorCode: failed ? -1072896760 : 0, reason: failed ? 'The stand-in cannot read the file.\r\n' : '' },
        };
        return !failed;
      };
      Object.defineProperty(doc, 'readyState', {
        get: () => (loaded && delays - startDelays >= 3 ? 4 : 1),
      });
      Object.defineProperty(doc, 'documentElement', { get: () => loaded && loaded.documentElement });
      Object.defineProperty(doc, 'parseError', { get: () => loaded && loaded.parseError });
    };
  }
}

async function launch() {
  const browser = await chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--font-render-hinting=none'],
  });
  return browser;
}

// One page in its own context, sized like its window; `errors` collects
// uncaught script errors.
async function openPage(browser, server, url, options = {}) {
  const context = await browser.newContext({
    viewport: options.viewport || DEFAULT_CLIENT,
    deviceScaleFactor: 1,
  });
  await context.addInitScript(installStandIns);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  if (options.onDialog) {
    page.on('dialog', options.onDialog);
  }
  await page.goto(server.base + url, { waitUntil: 'load' });
  return { page, context, errors };
}

async function calls(page) {
  return page.evaluate(() => window.__calls.slice());
}

async function clearCalls(page) {
  await page.evaluate(() => { window.__calls.length = 0; });
}

// The string file of a page as [id, text] pairs, read the way an XML parser
// gives the text (entities resolved).
function readStrings(page, locale) {
  const xml = fs.readFileSync(path.join(PAGES_DIR, `${page}_${locale}.wxl`), 'utf8');
  const root = /<WixLocalization\b[^>]*>([\s\S]*)<\/WixLocalization>\s*$/.exec(xml);
  if (!root) {
    throw new Error(`${page}_${locale}.wxl: no WixLocalization root`);
  }
  const strings = [];
  const re = /<String Id="([^"]+)">([\s\S]*?)<\/String>/g;
  let m;
  while ((m = re.exec(root[1])) !== null) {
    const text = m[2].replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"')
      .replace(/&apos;/g, "'").replace(/&amp;/g, '&');
    strings.push([m[1], text]);
  }
  return strings;
}

module.exports = {
  PAGES, LOCALES, INFO_URL, PAGES_DIR, DEFAULT_CLIENT, clientForOuterSize,
  startServer, launch, openPage, calls, clearCalls, readStrings,
};
