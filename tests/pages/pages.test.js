// The removal pages in headless Chromium: their strings in every language,
// their events and the host's calls, the page runtime on its own, the string
// rules, and the fit of every page in its window.
'use strict';

const { describe, it, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');
const h = require('./harness');

const SHOTS = process.env.OVX_SCREENSHOT_DIR || path.join(os.tmpdir(), 'pages-screenshots');
const WORK = process.env.OVX_WORK_DIR || fs.mkdtempSync(path.join(os.tmpdir(), 'pages-'));

// The English texts as the launcher shows them (access key marks and link
// brackets already applied).
const ENGLISH = {
  orunscrub: {
    title: 'Orun Setup - Uninstall out-of-date versions',
    headerText: 'Out-of-Date Orun versions Detected',
    description: 'Your machine is at risk for serious security vulnerabilities. It is highly recommended that you promptly uninstall out-of-date versions.',
    manageListLink: 'See List of the Orun Versions',
    uninstallInfo: 'Click "Uninstall" to remove out-of-date versions now.',
    moreInfo: 'Warning: Uninstalling out-of-date versions of Orun may cause some older Orun applications to no longer run. More information',
    laterBtn: 'Remind Me Later',
    uninstallBtn: 'Uninstall >',
  },
  orunscrub_versions: {
    title: 'Orun Setup - Uninstall out-of-date versions',
    description: 'The selected out-of-date Orun versions will be uninstalled',
    uninstallInfo: 'Click "Next" to uninstall the selected Orun versions. Clicking "Back" will not save your selections.',
    moreInfo: 'Warning: Uninstalling out-of-date versions of Orun may cause some older Orun applications to no longer run. More information',
    backBtn: 'Back',
    nextBtn: 'Next >',
  },
  orunscrub_progress: {
    title: 'Orun Setup - Progress',
    statusLbl: 'Status',
    uninstallStatusFormat: 'Uninstalling %OVX_NAME% (%NUM% of %TOTAL% Orun Versions)',
    completeStatus: 'Uninstallation Complete',
    viewListLink: 'View list of out-of-date versions that were uninstalled',
    nextBtn: 'Next >',
  },
  orunscrub_drs: {
    title: 'Orun Setup - Multiple Orun versions detected',
    headerText: 'Multiple Orun Versions Detected',
    description: "The following Orun versions were found on your machine. Your system is managed by your organization's IT department and may require these versions.",
    nextBtn: 'Next >',
  },
  orunscrub_complete: {
    title: 'Orun Setup - Complete',
    uninstalledVersionsText: 'Out-of-Date Versions of Orun Successfully Uninstalled',
    remainingVersionsText: 'Out-of-Date Versions Remaining on Your System',
    closeBtn: 'Next >',
  },
};

// What a text of a string file shows: the access key mark taken out, and each
// bracketed label whose key the targets hold shown as its label alone.
function shown(text, targets) {
  let key = '';
  const at = text.indexOf('&');
  if (at >= 0 && at < text.length - 1) {
    key = text[at + 1];
    text = text.slice(0, at) + text.slice(at + 1);
  }
  const links = [];
  if (targets !== undefined) {
    const map = typeof targets === 'object' ? targets : { _: String(targets) };
    text = text.replace(/\[([^[\]]+)\]/g, (whole, inner) => {
      const selector = /^#([^|]*)\|/.exec(inner);
      const k = selector ? selector[1] : '_';
      const label = selector ? inner.slice(selector[0].length) : inner;
      if (!Object.prototype.hasOwnProperty.call(map, k)) {
        return whole;
      }
      links.push([label, map[k]]);
      return label;
    });
  }
  return { text: text.replace(/\s+/g, ' ').trim(), key, links };
}

const ROWS = ['Orun 7 Update 80', 'Orun 8 Update 45', 'Orun 8 Update 151 (64-bit)', 'Orun 8 Update 202', 'Orun 9.0.4 (64-bit)'];

// The host's calls that each dialog makes once its page has loaded.
async function fill(page, name, rows = ROWS) {
  await page.evaluate(([name, rows]) => {
    if (name === 'orunscrub_versions') {
      rows.forEach((r, j) => addListItem(String(j), r));
      updateListItems(rows.map((r, j) => (j % 2 === 0 ? '1' : '0')).join(''));
    } else if (name === 'orunscrub_drs') {
      rows.forEach((r) => addListItem(r));
    } else if (name === 'orunscrub_complete') {
      rows.forEach((r) => addListItem('uninstalledList', r));
      rows.forEach((r) => addListItem('remainingList', r));
    } else if (name === 'orunscrub_progress') {
      showProgressView(1);
      setStatus(rows[2], String(rows.length), String(rows.length));
    }
  }, [name, rows]);
}

function notifications(list) {
  return list.filter((c) => c[0] === 'notify').map((c) => c.slice(1));
}

let browser;
let server;

before(async () => {
  server = await h.startServer();
  browser = await h.launch();
  fs.mkdirSync(SHOTS, { recursive: true });
});

after(async () => {
  if (browser) {
    await browser.close();
  }
  if (server) {
    await server.close();
  }
});

async function open(url, options) {
  return h.openPage(browser, server, url, options);
}

describe('page files', () => {
  const files = fs.readdirSync(h.PAGES_DIR, { withFileTypes: true });

  it('pages/ is flat and holds the pages, their scripts, style, images and 55 string files', () => {
    const names = files.map((f) => {
      assert.ok(f.isFile(), `${f.name} is not a plain file`);
      return f.name;
    }).sort();
    const expected = ['common.css', 'host.js', 'info.png', 'l10n.js', 'layout.js', 'loader.gif',
      'masthead_fill.png', 'masthead_left.png', 'rtutils.js', 'runtime.js', 'warning32.png'];
    for (const p of h.PAGES) {
      expected.push(`${p}.html`);
      for (const l of h.LOCALES) {
        expected.push(`${p}_${l}.wxl`);
      }
    }
    assert.deepEqual(names, expected.sort());
  });

  it('every language has the English ids in the same order, and English is as shipped', () => {
    for (const p of h.PAGES) {
      const english = h.readStrings(p, 'en');
      const urls = p === 'orunscrub' ? { manageListLink: 'x', moreInfo: 'x' }
        : p === 'orunscrub_versions' ? { moreInfo: 'x' } : p === 'orunscrub_progress' ? { viewListLink: 'x' } : {};
      const shownEnglish = {};
      for (const [id, text] of english) {
        shownEnglish[id] = shown(text, urls[id]).text;
      }
      assert.deepEqual(shownEnglish, ENGLISH[p], p);
      for (const l of h.LOCALES) {
        const strings = h.readStrings(p, l);
        assert.deepEqual(strings.map((s) => s[0]), english.map((s) => s[0]), `${p}_${l}.wxl ids`);
        for (const [id, text] of strings) {
          assert.ok(text.trim().length > 0, `${p}_${l}.wxl: ${id} is empty`);
          const brackets = (t) => (t.match(/\[/g) || []).length;
          const englishText = english.find((s) => s[0] === id)[1];
          assert.equal(brackets(text), brackets(englishText), `${p}_${l}.wxl: ${id} has other links than English`);
          assert.equal(text.includes('&'), englishText.includes('&'), `${p}_${l}.wxl: ${id} access key`);
        }
      }
    }
  });

  it('the scripts, inline ones included, are ECMAScript 5', () => {
    const dir = path.join(WORK, 'inline-scripts');
    fs.rmSync(dir, { recursive: true, force: true });
    fs.mkdirSync(dir, { recursive: true });
    const targets = files.filter((f) => f.name.endsWith('.js')).map((f) => path.join(h.PAGES_DIR, f.name));
    for (const p of h.PAGES) {
      const html = fs.readFileSync(path.join(h.PAGES_DIR, `${p}.html`), 'utf8');
      const re = /<script type="text\/javascript">([\s\S]*?)<\/script>/g;
      let m;
      let n = 0;
      while ((m = re.exec(html)) !== null) {
        const file = path.join(dir, `${p}_${n++}.js`);
        fs.writeFileSync(file, m[1]);
        targets.push(file);
      }
      assert.ok(n >= 2, `${p}: its own script and the layout call`);
      const handlers = html.match(/ on[a-z]+="[^"]*"/g) || [];
      handlers.forEach((a, i) => {
        const file = path.join(dir, `${p}_handler_${i}.js`);
        fs.writeFileSync(file, a.replace(/^ on[a-z]+="/, '').replace(/"$/, ''));
        targets.push(file);
      });
    }
    let bin = path.dirname(require.resolve('es-check'));
    while (!fs.existsSync(path.join(bin, 'package.json'))) {
      bin = path.dirname(bin);
    }
    bin = path.join(bin, JSON.parse(fs.readFileSync(path.join(bin, 'package.json'), 'utf8')).bin['es-check']);
    const run = spawnSync(process.execPath, [bin, 'es5', '--checkFeatures', '--noColor', ...targets], { encoding: 'utf8' });
    assert.equal(run.status, 0, run.stdout + run.stderr);
  });

  it('every page declares its document mode first and loads the runtime in order', () => {
    const scripts = ['runtime.js', 'host.js', 'l10n.js', 'layout.js', 'rtutils.js'];
    for (const p of h.PAGES) {
      const html = fs.readFileSync(path.join(h.PAGES_DIR, `${p}.html`), 'utf8');
      assert.match(html, /<head>\s*<meta http-equiv="X-UA-Compatible" content="IE=edge" \/>/, p);
      assert.match(html, /charset=utf-8/, p);
      assert.deepEqual([...html.matchAll(/<script type="text\/javascript" src="([^"]+)">/g)].map((m) => m[1]), scripts, p);
      assert.match(html, /<link rel="stylesheet" type="text\/css" href="common.css" \/>/, p);
      assert.match(html, /<body role="dialog">/, p);
      assert.match(html, /try \{\s*initLayout\(\);\s*\} catch \(e\) \{[\s\S]*?\}\s*\/\/\]\]>\s*<\/script>\s*<\/body>\s*<\/html>\s*$/, p);
    }
  });
});

describe('every page in every language', () => {
  for (const p of h.PAGES) {
    it(`${p}: strings, title, access keys and links`, async () => {
      for (const l of h.LOCALES) {
        const { page, context, errors } = await open(`${p}.html?locale=${l}`);
        try {
          const where = `${p} ${l}`;
          const strings = h.readStrings(p, l);
          const title = strings.find((s) => s[0] === 'title')[1];
          const got = await page.evaluate((ids) => ({
            urls: window.urls,
            title: document.title,
            root: document.getElementById('root').style.display,
            frame: ['root', 'masthead', 'header_ctnr', 'header', 'main', 'footer_ctnr', 'footer_left', 'footer_right']
              .filter((id) => !document.getElementById(id)),
            blocksLeft: document.querySelectorAll('[id$=".src"]').length,
            lang: document.documentElement.lang,
            elements: ids.map((id) => {
              const e = document.getElementById(id);
              return e && { id, text: e.textContent.replace(/\s+/g, ' ').trim(), key: e.accessKey,
                anchors: [...e.querySelectorAll('a')].map((a) => [a.textContent, a.getAttribute('shadow_href'), a.getAttribute('href')]) };
            }),
          }), strings.map((s) => s[0]).filter((id) => id !== 'title'));
          assert.deepEqual(got.frame, [], where);
          assert.equal(got.blocksLeft, 0, `${where}: source blocks moved`);
          assert.equal(got.root, 'block', where);
          assert.equal(got.lang, l.replace('_', '-'), where);
          assert.equal(got.title, title, where);
          const all = await h.calls(page);
          assert.deepEqual(all.filter((c) => c[0] === 'setWindowProp' && c[1] === 'title'), [['setWindowProp', 'title', title]], where);
          assert.deepEqual(all.filter((c) => c[0] === 'log'), [], `${where}: nothing logged`);
          assert.deepEqual(errors, [], where);

          for (const [id, text] of strings.filter((s) => s[0] !== 'title')) {
            const e = got.elements.find((x) => x && x.id === id);
            assert.ok(e, `${where}: no element ${id}`);
            const want = shown(text, got.urls[id]);
            assert.equal(e.text, want.text, `${where}: ${id}`);
            assert.ok(e.text.length > 0 && !e.text.includes(id), `${where}: ${id} shows "${e.text}"`);
            assert.equal(e.key, want.key, `${where}: ${id} access key`);
            assert.deepEqual(e.anchors, want.links.map(([label, address]) => [label, address, '#']), `${where}: ${id} links`);
          }

          // Each link sends "a" with its address and the page stays.
          const anchors = await page.locator('a').all();
          for (const a of anchors) {
            await h.clearCalls(page);
            const address = await a.getAttribute('shadow_href');
            if (await a.isVisible()) {
              await a.click();
            } else {
              await a.dispatchEvent('click');
            }
            assert.deepEqual(notifications(await h.calls(page)), [['a', address]], `${where}: link ${address}`);
            assert.equal(new URL(page.url()).hash, '', `${where}: the page did not follow ${address}`);
          }
        } finally {
          await context.close();
        }
      }
    });
  }
});

describe('buttons, events and the host calls', () => {
  it('first page: Uninstall, Remind Me Later, the list link and the information link', async () => {
    const { page, context } = await open('orunscrub.html?locale=en');
    try {
      assert.equal(await page.evaluate(() => document.activeElement.id), 'uninstallBtn');
      await h.clearCalls(page);
      await page.click('#laterBtn');
      await page.click('#uninstallBtn');
      await page.click('#manageListLink a');
      await page.click('#moreInfo a');
      assert.deepEqual(notifications(await h.calls(page)),
        [['cancel'], ['next'], ['a', 'manageListLink'], ['a', h.INFO_URL]]);
    } finally {
      await context.close();
    }
  });

  it('versions page: rows from the host, marked rows checked and bold, every click reports all boxes', async () => {
    const { page, context } = await open('orunscrub_versions.html?locale=en');
    try {
      assert.deepEqual((await h.calls(page)).filter((c) => c[0] === 'setWindowProp' && c[1] === 'size'),
        [['setWindowProp', 'size', '516', '449']]);
      await page.evaluate(() => {
        addListItem('0', 'Orun 7 Update 80');
        addListItem('1', 'Orun 8 Update 45');
        addListItem('2', 'Orun 8 Update 151 (64-bit)');
        updateListItems('101');
      });
      const rows = () => page.evaluate(() => [...document.querySelectorAll('#versionList input')].map((b) =>
        [b.id, b.checked, b.labels[0].textContent, getComputedStyle(b.labels[0]).fontWeight]));
      assert.deepEqual(await rows(), [
        ['0', true, 'Orun 7 Update 80', '700'],
        ['1', false, 'Orun 8 Update 45', '400'],
        ['2', true, 'Orun 8 Update 151 (64-bit)', '700']]);
      await h.clearCalls(page);
      await page.click('input[id="1"]');
      await page.click('label[for="0"]');
      await page.keyboard.press('Space');
      await page.click('#backBtn');
      await page.click('#nextBtn');
      await page.click('#moreInfo a');
      assert.deepEqual(notifications(await h.calls(page)), [
        ['checkbox_clicked', '111'], ['checkbox_clicked', '011'], ['checkbox_clicked', '111'],
        ['cancel'], ['next'], ['a', h.INFO_URL]]);
      assert.deepEqual((await rows()).map((r) => r[3]), ['700', '700', '700']);
      // The host may mark the rows again, also fewer than it added.
      await page.evaluate(() => updateListItems('01'));
      assert.deepEqual((await rows()).map((r) => [r[1], r[3]]), [[false, '400'], [true, '700'], [false, '400']]);
    } finally {
      await context.close();
    }
  });

  it('progress page: no close button, the status line in every language, both views, the list link', async () => {
    for (const l of h.LOCALES) {
      const { page, context } = await open(`orunscrub_progress.html?locale=${l}`);
      try {
        const all = await h.calls(page);
        assert.deepEqual(all[0], ['setWindowProp', 'closeButton', '0'], `${l}: turned off before anything else`);
        const format = h.readStrings('orunscrub_progress', l).find((s) => s[0] === 'uninstallStatusFormat')[1];
        await page.evaluate(() => {
          showProgressView(1);
          setStatus('Orun 8 Update 45', '1', '3');
          setStatus('Orun 8 Update 151 (64-bit)', '2', '3');
        });
        const want = format.replace('%OVX_NAME%', 'Orun 8 Update 151 (64-bit)').replace('%NUM%', '2').replace('%TOTAL%', '3');
        assert.equal(await page.textContent('#statusLine'), want, l);
        const views = () => page.evaluate(() => ['.loader', '#statusLbl', '#statusLine', '#completeStatus', '#viewListLink', '#nextBtn']
          .map((s) => document.querySelector(s).getClientRects().length > 0));
        assert.deepEqual(await views(), [true, true, true, false, false, false], `${l}: running`);
        await page.evaluate(() => showProgressView(0));
        assert.deepEqual(await views(), [false, false, false, true, true, true], `${l}: done`);
        await h.clearCalls(page);
        await page.click('#viewListLink a');
        await page.click('#nextBtn');
        assert.deepEqual(notifications(await h.calls(page)), [['a', 'viewListLink'], ['next']], l);
      } finally {
        await context.close();
      }
    }
  });

  it('rule-set page: one line per version, Next', async () => {
    const { page, context } = await open('orunscrub_drs.html?locale=en');
    try {
      await page.evaluate(() => {
        addListItem('Orun 7 Update 80');
        addListItem('Orun 8 Update 45 (64-bit)');
      });
      assert.deepEqual(await page.$$eval('#versionList .list_row', (r) => r.map((x) => x.textContent)),
        ['Orun 7 Update 80', 'Orun 8 Update 45 (64-bit)']);
      await h.clearCalls(page);
      await page.click('#nextBtn');
      assert.deepEqual(notifications(await h.calls(page)), [['next']]);
    } finally {
      await context.close();
    }
  });

  it('result page: each line in the list the host names, Next', async () => {
    const { page, context } = await open('orunscrub_complete.html?locale=en');
    try {
      await page.evaluate(() => {
        addListItem('uninstalledList', 'Orun 7 Update 80');
        addListItem('remainingList', 'Orun 8 Update 45');
        addListItem('uninstalledList', 'Orun 8 <b>151</b>');
      });
      const list = (id) => page.$$eval(`#${id} .list_row`, (r) => r.map((x) => x.textContent));
      assert.deepEqual(await list('uninstalledList'), ['Orun 7 Update 80', 'Orun 8 <b>151</b>']);
      assert.deepEqual(await list('remainingList'), ['Orun 8 Update 45']);
      await h.clearCalls(page);
      await page.click('#closeBtn');
      assert.deepEqual(notifications(await h.calls(page)), [['next']]);
    } finally {
      await context.close();
    }
  });
});

describe('outside the launcher and with broken string files', () => {
  it('without external: English, and notify shows its arguments in a message box', async () => {
    const messages = [];
    const { page, context, errors } = await open('orunscrub.html?noexternal', {
      onDialog: (d) => {
        messages.push([d.type(), d.message()]);
        d.accept();
      },
    });
    try {
      assert.equal(await page.title(), ENGLISH.orunscrub.title);
      assert.equal(await page.textContent('#uninstallBtn'), ENGLISH.orunscrub.uninstallBtn);
      assert.equal(await page.evaluate(() => host.getLocale()), 'en');
      await page.evaluate(() => {
        host.log('ERROR', 'x');
        host.setWindowProp('closeButton', 0);
        host.delay(10);
      });
      await page.click('#uninstallBtn');
      await page.click('#manageListLink a');
      assert.deepEqual(messages, [['alert', 'notify\narg[0]=next'], ['alert', 'notify\narg[0]=a\narg[1]=manageListLink']]);
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });

  for (const [what, reply] of [['missing', { status: 404 }],
    ['malformed', { body: '<WixLocalization><String Id="headerText">Broken</WixLocalization>' }]]) {
    it(`a ${what} string file: texts empty, the error in the host's log, the page shown`, async () => {
      server.overrides.set('orunscrub_de.wxl', reply);
      const { page, context, errors } = await open('orunscrub.html?locale=de');
      try {
        const all = await h.calls(page);
        const logs = all.filter((c) => c[0] === 'log');
        assert.equal(logs.length, 1, JSON.stringify(all));
        assert.equal(logs[0][1], 'ERROR');
        assert.ok(logs[0][2].startsWith(`ERROR: ${server.base}orunscrub_de.wxl: xml loading/parsing error - `), logs[0][2]);
        assert.deepEqual(all.filter((c) => c[0] === 'setWindowProp'), []);
        const state = await page.evaluate(() => ({
          root: document.getElementById('root').style.display,
          texts: ['headerText', 'description', 'manageListLink', 'uninstallBtn'].map((id) => document.getElementById(id).textContent),
          anchors: document.querySelectorAll('a').length,
        }));
        assert.deepEqual(state, { root: 'block', texts: ['', '', '', ''], anchors: 0 });
        assert.ok(await page.isVisible('#uninstallBtn'));
        assert.deepEqual(errors, [], 'initLayout errors stay inside the page');
      } finally {
        server.overrides.delete('orunscrub_de.wxl');
        await context.close();
      }
    });
  }

  it('with ActiveX: the string file through MSXML, loaded asynchronously while the host delays', async () => {
    const { page, context } = await open('orunscrub_versions.html?locale=sv&msxml');
    try {
      const all = await h.calls(page);
      const url = `${server.base}orunscrub_versions_sv.wxl`;
      assert.deepEqual(all.filter((c) => c[0] === 'ActiveXObject' || c[0] === 'msxml.load'),
        [['ActiveXObject', 'Msxml2.DOMDocument'], ['msxml.load', url, 'true']]);
      assert.deepEqual(all.filter((c) => c[0] === 'delay'), [['delay', '10'], ['delay', '10'], ['delay', '10']]);
      assert.equal(await page.textContent('#nextBtn'), 'Nästa >');
    } finally {
      await context.close();
    }
    server.overrides.set('orunscrub_versions_sv.wxl', { body: '<WixLocalization>' });
    const broken = await open('orunscrub_versions.html?locale=sv&msxml');
    try {
      const logs = (await h.calls(broken.page)).filter((c) => c[0] === 'log');
      assert.deepEqual(logs, [['log', 'ERROR',
        `ERROR: ${server.base}orunscrub_versions_sv.wxl: xml loading/parsing error - The stand-in cannot read the file.`]]);
      assert.equal(await broken.page.textContent('#nextBtn'), '');
    } finally {
      server.overrides.delete('orunscrub_versions_sv.wxl');
      await broken.context.close();
    }
  });
});

describe('the string rules and the page runtime', () => {
  // A page of the tests' own beside the real ones, with the real runtime.
  const PAGE = `<!DOCTYPE html><html><head>
<script type="text/javascript" src="runtime.js"></script><script type="text/javascript" src="host.js"></script>
<script type="text/javascript" src="l10n.js"></script><script type="text/javascript" src="layout.js"></script>
<script type="text/javascript" src="rtutils.js"></script>
<script type="text/javascript">var urls = { keyed: { k: "https://a.example/?x=1&y=2", _: "plain" }, plain: "only", late: { k: "x" } };</script>
</head><body role="dialog"><div id="root"><div id="main"></div></div>
<div id="main.src"><button id="button"></button><p id="keyed"></p><p id="plain"></p><p id="untargeted"></p><p id="late"></p><p id="trailing"></p></div>
<script type="text/javascript">initLayout();</script></body></html>`;
  const STRINGS = `<?xml version="1.0" encoding="utf-8"?>
<WixLocalization Culture="en-us" xmlns="http://schemas.microsoft.com/wix/2006/localization">
  <String Id="button">&amp;Next &gt;</String>
  <String Id="keyed">Open [#k|the list] or [another] or [#missing|kept]</String>
  <String Id="plain">[One] and
 [two]</String>
  <String Id="untargeted">[Stays as written]</String>
  <String Id="late">See [#k|this] &amp;now</String>
  <String Id="trailing">Fish &amp;</String>
  <String Id="lang">en</String>
  <String Id="ghost">nowhere</String>
</WixLocalization>`;

  it('access keys, keyed and plain links, texts without targets, unknown ids', async () => {
    server.overrides.set('rules.html', { body: PAGE });
    server.overrides.set('rules_en.wxl', { body: STRINGS });
    const { page, context, errors } = await open('rules.html?locale=en');
    try {
      const got = await page.evaluate(() => {
        const view = (id) => {
          const e = document.getElementById(id);
          return [e.textContent, e.accessKey, [...e.querySelectorAll('a')].map((a) => [a.textContent, a.getAttribute('shadow_href')])];
        };
        return ['button', 'keyed', 'plain', 'untargeted', 'late', 'trailing'].map(view);
      });
      assert.deepEqual(got, [
        ['Next >', 'N', []],
        ['Open the list or another or [#missing|kept]', '', [['the list', 'https://a.example/?x=1&y=2'], ['another', 'plain']]],
        ['One and\n two', '', [['One', 'only'], ['two', 'only']]],
        ['[Stays as written]', '', []],
        ['See this now', 'n', [['this', 'x']]],
        ['Fish &', '', []],
      ]);
      const all = await h.calls(page);
      assert.deepEqual(all.filter((c) => c[0] === 'log'), [['log', 'WARNING', 'WARNING: element[ghost] not found']]);
      assert.deepEqual(all.filter((c) => c[0] === 'setWindowProp'), []);
      assert.deepEqual(errors, []);

      await h.clearCalls(page);
      await page.click('#keyed a >> nth=0');
      await page.click('#plain a >> nth=1');
      assert.deepEqual(notifications(await h.calls(page)), [['a', 'https://a.example/?x=1&y=2'], ['a', 'only']]);
    } finally {
      server.overrides.delete('rules.html');
      server.overrides.delete('rules_en.wxl');
      await context.close();
    }
  });

  it('modules: logger channels and fatal, ActiveX failure, file names; host forwards every argument', async () => {
    const { page, context } = await open('orunscrub.html?locale=en');
    try {
      await h.clearCalls(page);
      const got = await page.evaluate(() => {
        const log = require('log');
        const Filename = require('Filename');
        const out = {};
        log.trace('t');
        log.info('i', 'j');
        log.warning('x');
        log.error('e');
        try {
          log.fatal('f');
        } catch (e) {
          out.fatal = e.message;
        }
        try {
          require('activex').create('Nope.Object');
        } catch (e) {
          out.activex = e.name;
        }
        host.log('INFO', 'a', 'b');
        host.notify('custom', 1, true);
        host.setWindowProp('size', 600, 400);
        out.names = [Filename.dir('res://C:%5Cx.exe/orunscrub.html'), Filename.basename('a/b/orunscrub_versions.html'),
          Filename.dir('a\\b\\c.html'), Filename.basename('c.tar.gz'), Filename.unix.join('a/', '/b'), Filename.unix.join('a', 'b')];
        out.same = require('log') === log;
        return out;
      });
      assert.deepEqual(got, {
        fatal: 'f', activex: 'ReferenceError', same: true,
        names: ['res://C:%5Cx.exe/', 'orunscrub_versions', 'a\\b\\', 'c.tar', 'a/b', 'a/b'],
      });
      assert.deepEqual(await h.calls(page), [
        ['log', 'TRACE', 'TRACE: t'],
        ['log', 'INFO', 'INFO: i j'],
        ['log', 'WARNING', 'WARNING: x'],
        ['log', 'ERROR', 'ERROR: e'],
        ['log', 'ERROR', 'ERROR: f'],
        ['log', 'ERROR', 'ERROR: new ActiveXObject(Nope.Object) failed: ActiveXObject is not defined'],
        ['log', 'INFO', 'a', 'b'],
        ['notify', 'custom', '1', 'true'],
        ['setWindowProp', 'size', '600', '400'],
      ]);
    } finally {
      await context.close();
    }
  });
});

// Every text of a page inside its window: no scroll bar on the page or in a
// list, no text outside the window, under the button bar, or cut off by a box
// that clips (a list, a button, the frame).
function findFitProblems() {
  const problems = [];
  const vw = window.innerWidth;
  const vh = window.innerHeight;
  const page = document.documentElement;
  if (page.scrollHeight > page.clientHeight || page.scrollWidth > page.clientWidth) {
    problems.push(`the page scrolls: ${page.scrollWidth} x ${page.scrollHeight}`);
  }
  const footer = document.getElementById('footer_ctnr');
  const footerTop = footer.getBoundingClientRect().top;
  const name = (e) => e.id || (e.parentNode && e.parentNode.id) || e.tagName;
  for (const e of document.querySelectorAll('#root *')) {
    const style = getComputedStyle(e);
    if (e.getClientRects().length === 0) {
      continue;
    }
    const scrolls = (o) => o === 'auto' || o === 'scroll';
    if ((scrolls(style.overflowY) && e.scrollHeight > e.clientHeight) || (scrolls(style.overflowX) && e.scrollWidth > e.clientWidth)) {
      problems.push(`${name(e)} scrolls`);
    }
  }
  const walker = document.createTreeWalker(document.getElementById('root'), NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    if (!node.nodeValue.trim() || node.parentNode.getClientRects().length === 0) {
      continue;
    }
    const range = document.createRange();
    range.selectNodeContents(node);
    const label = `"${node.nodeValue.trim().slice(0, 30)}" (${name(node.parentNode)})`;
    for (const r of range.getClientRects()) {
      if (r.width === 0) {
        continue;
      }
      if (r.left < 0 || r.top < 0 || r.right > vw + 0.5 || r.bottom > vh + 0.5) {
        problems.push(`${label} outside the window`);
      }
      if (!footer.contains(node) && r.bottom > footerTop + 0.5) {
        problems.push(`${label} under the button bar`);
      }
      for (let a = node.parentNode; a && a !== document.body; a = a.parentNode) {
        const s = getComputedStyle(a);
        if (s.overflowX === 'visible' && s.overflowY === 'visible' && a.tagName !== 'BUTTON') {
          continue;
        }
        const box = a.getBoundingClientRect();
        if (r.left < box.left - 0.5 || r.right > box.right + 0.5 || r.top < box.top - 0.5 || r.bottom > box.bottom + 0.5) {
          problems.push(`${label} cut off by ${name(a)}`);
        }
      }
    }
  }
  return problems;
}

describe('fit', () => {
  const SHOT_LOCALES = ['en', 'de', 'ja'];
  for (const p of h.PAGES) {
    it(`${p}: every text inside the window in every language, five rows in a list`, async () => {
      const problems = [];
      for (const l of h.LOCALES) {
        const { page, context } = await open(`${p}.html?locale=${l}`);
        try {
          // The window takes the size the page asks for, else keeps the default.
          const size = (await h.calls(page)).find((c) => c[0] === 'setWindowProp' && c[1] === 'size');
          if (size) {
            const viewport = h.clientForOuterSize(Number(size[2]), Number(size[3]));
            assert.ok(viewport.width >= h.DEFAULT_CLIENT.width && viewport.height >= h.DEFAULT_CLIENT.height, `${p}: smaller than the default`);
            await page.setViewportSize(viewport);
          }
          await page.evaluate(() => document.fonts.ready);
          await fill(page, p);
          const views = p === 'orunscrub_progress' ? ['running', 'done'] : [''];
          for (const view of views) {
            if (view === 'done') {
              await page.evaluate(() => showProgressView(0));
            }
            for (const problem of await page.evaluate(findFitProblems)) {
              problems.push(`${l}${view ? ' ' + view : ''}: ${problem}`);
            }
            if (SHOT_LOCALES.includes(l)) {
              await page.screenshot({ path: path.join(SHOTS, `${p}${view ? '_' + view : ''}_${l}.png`) });
            }
          }
        } finally {
          await context.close();
        }
      }
      assert.deepEqual(problems, [], p);
    });
  }
});
