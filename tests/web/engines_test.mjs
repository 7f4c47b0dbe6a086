// The page in the two other browser engines: Firefox (Gecko, Debian's
// firefox-esr driven over WebDriver BiDi by puppeteer-core) and WebKit
// (WebKitGTK's MiniBrowser driven by Debian's WebKitWebDriver through
// selenium-webdriver, in an X server of the test's own). The same page as the
// Chromium tests (the tests' build), checked as a player would see it.
//
// usage: node engines_test.mjs --engine firefox|webkit --web-dir DIR --release-dir DIR [--shots DIR] [--only NAME]
//        node engines_test.mjs --list
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { Builder, By, Key } from 'selenium-webdriver';
import { black, canvasDigestScript, expect, imageSize, loadReference, parseArgs, serve, sleep, waitFor,
         words } from './support.mjs';

const args = parseArgs(process.argv.slice(2), ['--list']);
const webDir = path.resolve(args['web-dir'] || 'build/web-test');
const releaseDir = path.resolve(args['release-dir'] || 'build/release');
const shots = args.shots ? path.resolve(args.shots) : null;
const miniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// ---- one small interface over both drivers
// Firefox can be told that its primary pointer is coarse (a touch screen),
// so the touch controls show, and puppeteer's touchscreen sends real touch
// input over WebDriver BiDi.
async function firefox(url, [width, height], { touch = false } = {}) {
  const prefs = touch ? { 'ui.primaryPointerCapabilities': 1, 'ui.allPointerCapabilities': 1, 'dom.w3c_touch_events.enabled': 1 }
                      : {};
  const browser = await puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true,
                                           extraPrefsFirefox: prefs });
  const page = await browser.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  await page.setViewport({ width, height, hasTouch: touch });
  await page.goto(url);
  return {
    problems,
    touchStart: (x, y) => page.touchscreen.touchStart(x, y),
    touchEnd: () => page.touchscreen.touchEnd(),
    box: async (selector) => (await page.$(selector)).boundingBox(),
    run: (script) => page.evaluate(new Function(script)),  // eslint-disable-line no-new-func
    upload: async (selector, file) => (await page.$(selector)).uploadFile(file),
    click: (selector) => page.click(selector),
    hold: async (key, ms) => { await page.keyboard.down(key); await sleep(ms); await page.keyboard.up(key); },
    down: (key) => page.keyboard.down(key),
    up: (key) => page.keyboard.up(key),
    screenshot: (file) => page.screenshot({ path: file }),
    close: async () => {
      await browser.close();
      expect(problems.length === 0, `page errors: ${problems.join('; ')}`);
    },
  };
}

const freePort = () => new Promise((resolve) => {
  const probe = net.createServer().listen(0, '127.0.0.1', () => {
    const { port } = probe.address();
    probe.close(() => resolve(port));
  });
});

function startXvfb() {
  return new Promise((resolve, reject) => {
    const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
                       { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    xvfb.stdio[3].once('data', (data) => resolve({ xvfb, display: `:${String(data).trim()}` }));
    xvfb.once('error', reject);
  });
}

async function webkit(url, [width, height]) {
  const { xvfb, display } = await startXvfb();
  const port = await freePort();
  const service = spawn('WebKitWebDriver', [`--port=${port}`], { env: { ...process.env, DISPLAY: display },
                                                                 stdio: 'ignore' });
  let driver;
  try {
    await waitFor('WebKitWebDriver', () => new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => { socket.end(); resolve(true); });
      socket.on('error', () => resolve(false));
    }), 10000, 100);
    driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
      browserName: 'MiniBrowser',
      'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] },
    }).build();
    await driver.manage().window().setRect({ width, height });
    await driver.get(url);
  } catch (error) {
    service.kill();
    xvfb.kill();
    throw error;
  }
  return {
    run: (script) => driver.executeScript(script),
    upload: (selector, file) => driver.findElement(By.css(selector)).sendKeys(file),
    click: (selector) => driver.findElement(By.css(selector)).click(),
    hold: async (key, ms) => {
      const name = { Enter: Key.ENTER }[key] || key;
      await driver.actions().keyDown(name).pause(ms).keyUp(name).perform();
    },
    down: (key) => driver.actions().keyDown({ Enter: Key.ENTER }[key] || key).perform(),
    up: (key) => driver.actions().keyUp({ Enter: Key.ENTER }[key] || key).perform(),
    screenshot: async (file) => fs.writeFileSync(file, Buffer.from(await driver.takeScreenshot(), 'base64')),
    close: async () => { await driver.quit().catch(() => {}); service.kill(); xvfb.kill(); },
  };
}

const engines = { firefox, webkit };

// ---- the cases
let pageUrl;
let reference;
let work;

const digest = async (page) => BigInt('0x' + await page.run(canvasDigestScript));
const chooserOpen = (page) => waitFor('the chooser', () => page.run("return !!document.querySelector('#chooser[open]');"),
                                      20000, 100);
const exitCode = (page) => page.run('return document.body.dataset.exitCode || null;');
async function message(page) {
  await waitFor('a message box', () => page.run("return !!document.querySelector('#message[open]');"), 10000, 50);
  return page.run(`return { caption: document.getElementById('message-title').textContent,
                            text: document.getElementById('message-text').textContent };`);
}
async function expectNoticeAndEnd(page) {
  const notice = await message(page);
  expect(notice.caption === words.product_no_image_caption && notice.text === words.product_no_image_text,
         `the notice said ${JSON.stringify(notice)}`);
  await page.click('#message-ok');
  const code = await waitFor('the ended state', () => exitCode(page), 10000, 50);
  expect(code === '0', `exit code ${code}, expected 0`);
}

const cases = {};

// The demo plays (a canvas read back equals a headless frame), Enter skips
// the intro and the picture stays black, the close control ends with 0.
cases.play = async (engine, name) => {
  const page = await engine(pageUrl, [1100, 800]);
  try {
    await chooserOpen(page);
    await page.upload('#rom-input', path.join(webDir, 'orvalis-demo.gba'));
    await waitFor('a frame of the first text scene, pixel for pixel',
                  async () => reference.firstScene.has(await digest(page)), 20000, 20);
    if (shots) {
      // A moment later, more of the text is shown (and the cursor lit).
      await sleep(1500);
      await waitFor('sprites on the canvas', async () => (await digest(page)) !== black, 5000, 10);
      await page.screenshot(path.join(shots, `${name}-playing.png`));
    }
    await waitFor('a text scene', async () => (await digest(page)) !== black, 20000, 20);
    await page.hold('Enter', 150);
    await waitFor('a black picture after Enter', async () => (await digest(page)) === black, 3000, 20);
    for (let i = 0; i < 10; ++i) {
      expect(await digest(page) === black, 'the picture showed sprites again after the skip');
      await sleep(50);
    }
    await page.click('#close');
    const code = await waitFor('the ended state', () => exitCode(page), 10000, 50);
    expect(code === '0', `exit code ${code} after closing, expected 0`);
  } finally {
    await page.close();
  }
};

cases.cancel = async (engine) => {
  const page = await engine(pageUrl, [1100, 800]);
  try {
    await chooserOpen(page);
    await page.click('#chooser-cancel');
    await expectNoticeAndEnd(page);
  } finally {
    await page.close();
  }
};

cases.wrong_size = async (engine) => {
  const file = path.join(work, 'one-byte.gba');
  fs.writeFileSync(file, Buffer.from([1]));
  const page = await engine(pageUrl, [1100, 800]);
  try {
    await chooserOpen(page);
    await page.upload('#rom-input', file);
    const shown = await message(page);
    const text = words.product_wrong_size_text.replace('%lld', '1').replace('%u', String(imageSize));
    expect(shown.caption === words.product_wrong_size_caption && shown.text === text,
           `the loader said ${JSON.stringify(shown)}`);
    await page.click('#message-ok');
    await waitFor('the first box closed', () => page.run(
      `return document.getElementById('message-title').textContent === ${JSON.stringify(words.product_no_image_caption)};`),
    10000, 50);
    await expectNoticeAndEnd(page);
  } finally {
    await page.close();
  }
};

// The letter keys, read back from the key register (the tests' build has
// that probe). Neither driver sends a key's character and its position
// (KeyboardEvent.key and .code) apart, so the layouts without Latin letters
// are checked in Chromium only, over CDP.
cases.keys = async (engine) => {
  const page = await engine(pageUrl, [1100, 800]);
  try {
    await chooserOpen(page);
    await page.upload('#rom-input', path.join(webDir, 'orvalis-demo.gba'));
    const keyinput = () => page.run('return Module._web_keyinput();');
    await waitFor('the first keyboard poll', async () => (await keyinput()) === 0x03FF, 20000, 50);
    for (const [key, expected] of [['x', 0x03FE], ['z', 0x03FD], ['s', 0x02FF], ['a', 0x01FF]]) {
      await page.down(key);
      try {
        await waitFor(`KEYINPUT ${expected.toString(16)} while ${key} is held`,
                      async () => (await keyinput()) === expected, 3000, 20);
      } finally {
        await page.up(key);
      }
      await waitFor('the key released', async () => (await keyinput()) === 0x03FF, 3000, 20);
    }
  } finally {
    await page.close();
  }
};

// The touch controls by real touch input, where the engine can be made to
// show them (Firefox; WebKitGTK's MiniBrowser reports a fine pointer and its
// driver no touch): each button read back from the key register.
cases.touch = async (engine, name) => {
  if (engine !== firefox) {
    console.log(`${name}: WebKitGTK's MiniBrowser has a mouse for its primary pointer, so the page shows no touch ` +
                'controls there, and WebKitWebDriver offers no touch input: not checked in this engine');
    return;
  }
  const page = await engine(pageUrl, [844, 390], { touch: true });
  try {
    await chooserOpen(page);
    await page.upload('#rom-input', path.join(webDir, 'orvalis-demo.gba'));
    const keyinput = () => page.run('return Module._web_keyinput();');
    await waitFor('the first keyboard poll', async () => (await keyinput()) === 0x03FF, 20000, 50);
    const bits = { Up: 0x040, Down: 0x080, Left: 0x020, Right: 0x010, L: 0x200, R: 0x100, Select: 0x004, B: 0x002,
                   A: 0x001 };
    const controls = { Up: '.dpad .up', Down: '.dpad .down', Left: '.dpad .left', Right: '.dpad .right',
                       L: '[data-button="l"]', R: '[data-button="r"]', Select: '[data-button="select"]',
                       B: '[data-button="b"]', A: '[data-button="a"]' };
    for (const [button, selector] of Object.entries(controls)) {
      const box = await page.box(selector);
      expect(box && box.width > 0, `the ${button} control is not shown`);
      await page.touchStart(box.x + box.width / 2, box.y + box.height / 2);
      const expected = 0x03FF & ~bits[button];
      try {
        await waitFor(`KEYINPUT ${expected.toString(16)} under a finger on ${button}`,
                      async () => (await keyinput()) === expected, 3000, 20);
      } finally {
        await page.touchEnd();
      }
      await waitFor(`${button} released`, async () => (await keyinput()) === 0x03FF, 3000, 20);
    }
    if (shots) await page.screenshot(path.join(shots, `${name}-touch.png`));
  } finally {
    await page.close();
  }
};

// At a phone's size nothing is wider or taller than the viewport (the
// engines here show it with a mouse: the window frame, shrunk to fit).
cases.phone_size = async (engine, name) => {
  const page = await engine(pageUrl, [390, 844]);
  try {
    await chooserOpen(page);
    await page.upload('#rom-input', path.join(webDir, 'orvalis-demo.gba'));
    await waitFor('the picture', async () => (await digest(page)) !== black, 20000, 50);
    const sizes = await page.run(`return { w: document.documentElement.scrollWidth, h: document.documentElement.scrollHeight,
                                           vw: innerWidth, vh: innerHeight };`);
    expect(sizes.w <= sizes.vw && sizes.h <= sizes.vh, `the page is ${sizes.w} x ${sizes.h} in ${sizes.vw} x ${sizes.vh}`);
    if (shots) await page.screenshot(path.join(shots, `${name}-phone-size.png`));
  } finally {
    await page.close();
  }
};

// ---- run
if (args.flags.has('--list')) {
  console.log(Object.keys(cases).join('\n'));
  process.exit(0);
}
const engine = engines[args.engine];
expect(engine, `--engine firefox or webkit, not ${args.engine}`);
expect(!args.only || cases[args.only], `no case named ${args.only}`);
work = fs.mkdtempSync(path.join(os.tmpdir(), 'orvalis-engines-'));
if (shots) fs.mkdirSync(shots, { recursive: true });
const server = serve(webDir);
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
pageUrl = `http://127.0.0.1:${server.address().port}/orvalis.html`;
reference = loadReference(releaseDir, path.join(webDir, 'orvalis-demo.gba'), work);
let failed = 0;
for (const [name, run] of Object.entries(cases)) {
  if (args.only && args.only !== name) continue;
  try {
    await run(engine, `${args.engine}-${name}`);
    console.log(`${args.engine} ${name}: passed`);
  } catch (error) {
    console.log(`${args.engine} ${name}: FAILED: ${error.message}`);
    failed += 1;
  }
}
server.close();
fs.rmSync(work, { recursive: true, force: true });
process.exit(failed ? 1 : 0);
