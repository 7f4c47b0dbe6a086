// The browser build in Debian's Chromium, driven as a player would drive it:
// the page served on 127.0.0.1, the demo cartridge played and skipped, every
// key read back from the key register, the chooser cancelled, refused files
// with their exact messages, the window resized and closed. Prints the page's
// sizes, the frame pacing and the cost of a frame's work.
//
// usage: node web_test.mjs --web-dir build/web --release-dir build/release [--shots DIR] [--only NAME]
//        node web_test.mjs --list   (the names of the cases, one a line)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';
import { Failure, black, expect, frameDigest, imageSize, loadReference as captureReference, serve as serveDir, sleep,
         waitFor, words } from './support.mjs';

const listing = process.argv.includes('--list');
const args = Object.fromEntries(
  process.argv.slice(2).filter((a) => a !== '--list')
    .reduce((pairs, value, i, all) => (i % 2 ? pairs : [...pairs, [value.slice(2), all[i + 1]]]), []));
const webDir = path.resolve(args['web-dir'] || 'build/web');
const releaseDir = path.resolve(args['release-dir'] || 'build/release');
const shots = args.shots ? path.resolve(args.shots) : null;
let work;

const serve = (root = webDir) => serveDir(root);
let server;
let pageUrl;
const loadReference = () => captureReference(releaseDir, path.join(webDir, 'orvalis-demo.gba'), work);
let reference;
let browser;

// Every page the tests open carries the tests' measurements (page_probes.js),
// brought in before the page's own script: the shipped page has none.
const probesScript = { path: new URL('./page_probes.js', import.meta.url).pathname };
async function newContext(options) {
  const context = await browser.newContext(options);
  await context.addInitScript(probesScript);
  return context;
}

async function openPage(prepare) {
  const context = await newContext({ viewport: { width: 1100, height: 800 } });
  if (prepare) await prepare(context);
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('crash', () => problems.push('the tab crashed'));
  page.problems = problems;
  await page.goto(pageUrl);
  await page.waitForSelector('#chooser[open]', { timeout: 15000 });
  return page;
}

async function closePage(page) {
  expect(page.problems.length === 0, page.problems.join('; '));
  await page.context().close();
}

const shot = async (page, name) => { if (shots) await page.screenshot({ path: path.join(shots, `${name}.png`) }); };
const keyinput = (page) => page.evaluate(() => Module._web_keyinput());
const exitCode = (page) => page.evaluate(() => document.body.dataset.exitCode);

// The canvas as the capture logs a frame.
const canvasDigest = (page) => page.evaluate((source) => {
  const digest = new Function(`return (${source});`)();
  return digest(document.getElementById('screen').getContext('2d').getImageData(0, 0, 240, 160).data);
}, frameDigest.toString()).then((hex) => BigInt('0x' + hex));

async function chooseFile(page, file) {
  await page.setInputFiles('#rom-input', file);
}

async function expectMessage(page, caption, text, icon) {
  await page.waitForSelector('#message[open]', { timeout: 10000 });
  const shown = await page.evaluate(() => ({
    caption: document.getElementById('message-title').textContent,
    text: document.getElementById('message-text').textContent,
    icon: document.getElementById('message-icon').className,
    role: document.getElementById('message').getAttribute('role'),
    focused: document.activeElement && document.activeElement.id,
  }));
  expect(shown.caption === caption, `caption ${JSON.stringify(shown.caption)}, expected ${JSON.stringify(caption)}`);
  expect(shown.text === text, `text ${JSON.stringify(shown.text)}, expected ${JSON.stringify(text)}`);
  expect(shown.icon === `icon ${icon}`, `icon ${shown.icon}, expected ${icon}`);
  expect(shown.role === 'alertdialog' && shown.focused === 'message-ok', 'the box is no alert dialog with OK focused');
}

async function dismiss(page, key = 'Enter') {
  const closed = await page.evaluate(() => orvalisProbes.boxesClosed);
  await page.keyboard.press(key);
  await waitFor(`the box to close on ${key}`,
                async () => (await page.evaluate(() => orvalisProbes.boxesClosed)) === closed + 1);
}

const noticeText = words.product_no_image_text;
const noticeCaption = words.product_no_image_caption;
async function expectNoticeAndEnd(page) {
  await expectMessage(page, noticeCaption, noticeText, 'information');
  await dismiss(page);
  const code = await waitFor('the ended state', () => exitCode(page));
  expect(code === '0', `exit code ${code}, expected 0`);
}

// ---- the cases
const cases = {};

cases.play = async () => {
  const page = await openPage();
  await shot(page, 'prompt');
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  const heapAtStart = await waitFor('the first frames', async () =>
    (await page.evaluate(() => orvalisProbes.frames)) > 3 && page.evaluate(() => Module._web_heap_in_use()));
  const firstFrame = await page.evaluate(() => {
    const s = orvalisProbes;
    return { total: s.firstFrameAt - s.chosenAt, read: s.readAt - s.chosenAt, rest: s.firstFrameAt - s.readAt };
  });
  console.log(`demo cartridge chosen to its first frame: ${firstFrame.total.toFixed(1)} ms (the browser reading ` +
              `the file ${firstFrame.read.toFixed(1)} ms, then loading, checking and booting ` +
              `${firstFrame.rest.toFixed(1)} ms)`);
  expect(await canvasDigest(page) === black, 'the boot frames are not black');
  expect(!(await page.locator('#touch').isVisible()) && !(await page.getByRole('button', { name: 'A', exact: true }).isVisible()),
         'touch controls are shown on a desktop with a mouse');

  await waitFor('a frame of the first text scene, pixel for pixel',
                async () => reference.firstScene.has(await canvasDigest(page)), 15000, 10);
  await shot(page, 'playing');

  // Pacing and cost over 300 frames of the intro.
  const from = await page.evaluate(() => orvalisProbes.frames);
  await waitFor('300 more frames', async () => (await page.evaluate(() => orvalisProbes.frames)) >= from + 301,
                20000, 100);
  const timing = await page.evaluate((start) => {
    const starts = orvalisProbes.frameStarts.slice(start, start + 301);
    const work = orvalisProbes.workTimes.slice(start, start + 300).sort((a, b) => a - b);
    return { period: (starts[300] - starts[0]) / 300, median: work[150] };
  }, from);
  console.log(`mean frame period over 300 frames: ${timing.period.toFixed(2)} ms; ` +
              `median frame work (step, render, present): ${timing.median.toFixed(3)} ms`);
  const heapNow = await page.evaluate(() => Module._web_heap_in_use());
  console.log(`heap in use after ${from} frames: ${heapAtStart} bytes; 300 frames later: ${heapNow} bytes`);
  expect(heapNow === heapAtStart, 'frames changed the heap in use');

  // Resized, the picture fills the new client area.
  await page.evaluate(() => { const c = document.getElementById('client'); c.style.width = '600px'; c.style.height = '250px'; });
  const boxes = await page.evaluate(() => [document.getElementById('client'), document.getElementById('screen')]
    .map((e) => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; }));
  expect(JSON.stringify(boxes[0]) === JSON.stringify(boxes[1]) && boxes[0][2] === 600 && boxes[0][3] === 250,
         `the canvas covers ${boxes[1]} of the client area ${boxes[0]}`);
  await shot(page, 'resized');
  await page.evaluate(([w, h]) => { const c = document.getElementById('client'); c.style.width = `${w}px`; c.style.height = `${h}px`; },
                      [words.product_client_width, words.product_client_height]);

  // Enter held for a few frames during a text scene skips the intro: black, and it stays black.
  await waitFor('a text scene again', async () => (await canvasDigest(page)) !== black, 20000, 10);
  await page.keyboard.down('Enter');
  await sleep(120);
  await page.keyboard.up('Enter');
  await waitFor('a black picture after Enter', async () => (await canvasDigest(page)) === black, 2000, 10);
  for (let i = 0; i < 20; ++i) {
    expect(await canvasDigest(page) === black, 'the picture showed sprites again after the skip');
    await sleep(50);
  }
  await page.click('#close');
  const code = await waitFor('the ended state', () => exitCode(page));
  expect(code === '0', `exit code ${code} after closing, expected 0`);
  await shot(page, 'ended');
  await closePage(page);
};

cases.keys = async () => {
  const page = await openPage();
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await waitFor('the first keyboard poll', async () => (await keyinput(page)) === 0x03FF);
  const pressed = [['x', 0x03FE], ['X', 0x03FE], ['z', 0x03FD], ['Backspace', 0x03FB], ['Enter', 0x03F7],
                   ['ArrowRight', 0x03EF], ['ArrowLeft', 0x03DF], ['ArrowUp', 0x03BF], ['ArrowDown', 0x037F],
                   ['s', 0x02FF], ['a', 0x01FF], ['NumpadEnter', 0x03F7], ['q', 0x03FF]];
  for (const [key, expected] of pressed) {
    await page.keyboard.down(key);
    try {
      if (expected === 0x03FF) await sleep(100);
      else await waitFor(`KEYINPUT ${expected.toString(16)} while ${key} is held`, async () => (await keyinput(page)) === expected, 2000);
      expect(await keyinput(page) === expected, `holding ${key}: KEYINPUT ${(await keyinput(page)).toString(16)}`);
    } finally {
      await page.keyboard.up(key);
    }
    await waitFor('all keys released', async () => (await keyinput(page)) === 0x03FF, 2000);
  }
  // The keypad's arrows with NumLock off: the arrow keys, from the keypad's codes.
  for (const [key, code, expected] of [['ArrowRight', 'Numpad6', 0x03EF], ['ArrowLeft', 'Numpad4', 0x03DF],
                                       ['ArrowUp', 'Numpad8', 0x03BF], ['ArrowDown', 'Numpad2', 0x037F]]) {
    const send = (type) => page.evaluate(([t, k, c]) => window.dispatchEvent(
      new KeyboardEvent(t, { key: k, code: c, location: 3, bubbles: true, cancelable: true })), [type, key, code]);
    await send('keydown');
    await waitFor(`KEYINPUT ${expected.toString(16)} from ${code}`, async () => (await keyinput(page)) === expected, 2000);
    await send('keyup');
    await waitFor('the keypad key released', async () => (await keyinput(page)) === 0x03FF, 2000);
  }
  // Held keys are released when the page loses focus; a held Backspace does not navigate.
  await page.keyboard.down('x');
  await page.keyboard.down('Backspace');
  await waitFor('x and Backspace held', async () => (await keyinput(page)) === 0x03FA, 2000);
  await page.evaluate(() => window.dispatchEvent(new Event('blur')));
  await waitFor('every key released on blur', async () => (await keyinput(page)) === 0x03FF, 2000);
  await page.keyboard.up('x');
  await page.keyboard.up('Backspace');
  expect(page.url() === pageUrl, 'the page navigated away');
  await page.click('#close');
  await waitFor('the ended state', () => exitCode(page));
  await closePage(page);
};

// Keys on other layouts, as Windows' virtual-key codes behave, sent through
// Chromium's own key pipeline with `key` and `code` apart: a key that types a
// Latin letter is that letter, one that types none is the letter of its US
// position.
cases.layouts = async () => {
  const page = await openPage();
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await waitFor('the first keyboard poll', async () => (await keyinput(page)) === 0x03FF);
  const cdp = await page.context().newCDPSession(page);
  const send = (type, key, code) => cdp.send('Input.dispatchKeyEvent', {
    type, key, code, text: type === 'keyDown' ? key : undefined,
    windowsVirtualKeyCode: key.toUpperCase().charCodeAt(0) });
  const rows = [
    ['AZERTY: the key that types a is L', 'a', 'KeyQ', 0x01FF],
    ['AZERTY: the key that types q is nothing', 'q', 'KeyA', 0x03FF],
    ['AZERTY: the key that types z is B', 'z', 'KeyW', 0x03FD],
    ['AZERTY: the key that types w is nothing', 'w', 'KeyZ', 0x03FF],
    ['Shift held: X is A', 'X', 'KeyX', 0x03FE],
    ['Russian: the key at X is A', '\u0447', 'KeyX', 0x03FE],
    ['Russian: the key at Z is B', '\u044f', 'KeyZ', 0x03FD],
    ['Russian: the key at S is R', '\u044b', 'KeyS', 0x02FF],
    ['Russian: the key at A is L', '\u0444', 'KeyA', 0x01FF],
    ['Greek: the key at X is A', '\u03c7', 'KeyX', 0x03FE],
    ['Greek: the key at Z is B', '\u03b6', 'KeyZ', 0x03FD],
    ['Greek: the key at S is R', '\u03c3', 'KeyS', 0x02FF],
    ['Greek: the key at A is L', '\u03b1', 'KeyA', 0x01FF],
    ['Russian: the key at Q is nothing', '\u0439', 'KeyQ', 0x03FF],
  ];
  for (const [what, key, code, expected] of rows) {
    await send('keyDown', key, code);
    try {
      if (expected === 0x03FF) await sleep(100);
      else await waitFor(what, async () => (await keyinput(page)) === expected, 2000);
      const got = await keyinput(page);
      expect(got === expected, `${what}: KEYINPUT ${got.toString(16)}, expected ${expected.toString(16)}`);
    } finally {
      await send('keyUp', key, code);
    }
    await waitFor(`${what}: released`, async () => (await keyinput(page)) === 0x03FF, 2000);
  }
  await page.click('#close');
  await waitFor('the ended state', () => exitCode(page));
  await closePage(page);
};

// Game controllers through the Gamepad API. Chromium offers no honest way to
// plug in a pad, so navigator.getGamepads is a stand-in that returns the
// standard-mapped pads this test describes; the page hands them to the
// program, which maps them as every host does.
cases.gamepad = async () => {
  const page = await openPage(async (context) => context.addInitScript(() => {
    const pad = (index) => ({ index, id: 'stand-in pad', connected: true, mapping: 'standard', timestamp: 0,
      buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })),
      axes: [0, 0, 0, 0] });
    window.standInPads = [pad(0), null, null, null];
    navigator.getGamepads = () => window.standInPads;
    window.standInPad = (index, buttons, axes) => {
      if (!window.standInPads[index]) window.standInPads[index] = pad(index);
      const p = window.standInPads[index];
      p.buttons.forEach((b, i) => { b.pressed = buttons.includes(i); b.value = b.pressed ? 1 : 0; });
      p.axes = axes;
      window.dispatchEvent(new Event('gamepadconnected'));
    };
    window.unplugPad = (index) => { window.standInPads[index] = null; };
  }));
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await waitFor('the first keyboard poll', async () => (await keyinput(page)) === 0x03FF);
  const set = (index, buttons, axes = [0, 0, 0, 0]) =>
    page.evaluate(([i, b, a]) => window.standInPad(i, b, a), [index, buttons, axes]);
  // (what, standard buttons pressed, axes, KEYINPUT)
  const rows = [
    ['south', [0], [0, 0, 0, 0], 0x03FE], ['east', [1], [0, 0, 0, 0], 0x03FD],
    ['back', [8], [0, 0, 0, 0], 0x03FB], ['start', [9], [0, 0, 0, 0], 0x03F7],
    ['D-pad up', [12], [0, 0, 0, 0], 0x03BF], ['D-pad down', [13], [0, 0, 0, 0], 0x037F],
    ['D-pad left', [14], [0, 0, 0, 0], 0x03DF], ['D-pad right', [15], [0, 0, 0, 0], 0x03EF],
    ['left shoulder', [4], [0, 0, 0, 0], 0x01FF], ['right shoulder', [5], [0, 0, 0, 0], 0x02FF],
    ['left trigger', [6], [0, 0, 0, 0], 0x01FF], ['right trigger', [7], [0, 0, 0, 0], 0x02FF],
    ['left stick right', [], [1, 0, 0, 0], 0x03EF], ['left stick up and left', [], [-0.9, -0.9, 0, 0], 0x039F],
    ['the dead half', [], [0.4, -0.4, 0, 0], 0x03FF],
    ['west, north, guide, the right stick', [2, 3, 16], [0, 0, 1, 1], 0x03FF],
  ];
  for (const [what, buttons, axes, expected] of rows) {
    await set(0, buttons, axes);
    if (expected === 0x03FF) await sleep(100);
    else await waitFor(what, async () => (await keyinput(page)) === expected, 2000);
    const got = await keyinput(page);
    expect(got === expected, `pad ${what}: KEYINPUT ${got.toString(16)}, expected ${expected.toString(16)}`);
    await set(0, []);
    await waitFor(`${what}: released`, async () => (await keyinput(page)) === 0x03FF, 2000);
  }
  // Two pads and a key together, then a pad unplugged while held.
  await set(0, [0]);
  await set(2, [9]);
  await page.keyboard.down('z');
  await waitFor('two pads and a key', async () => (await keyinput(page)) === 0x03F4, 2000);
  await page.keyboard.up('z');
  await page.evaluate(() => { window.unplugPad(0); window.unplugPad(2); });
  await waitFor('the unplugged pads release', async () => (await keyinput(page)) === 0x03FF, 2000);
  await page.click('#close');
  await waitFor('the ended state', () => exitCode(page));
  await closePage(page);
};

// ---- touch screens: a phone in portrait and landscape and a tablet, with
// real touch input through Chromium's own touch pipeline (CDP).
const touchScreens = { phone_portrait: [390, 844, 3], phone_landscape: [844, 390, 3], tablet: [820, 1180, 2],
                       small_portrait: [320, 480, 2], small_landscape: [480, 320, 2] };
const controlNames = ['A', 'B', 'L', 'R', 'Start', 'Select', 'Up', 'Down', 'Left', 'Right'];

async function openTouchPage([width, height, scale]) {
  const context = await newContext({ viewport: { width, height }, deviceScaleFactor: scale, isMobile: true,
                                     hasTouch: true });
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.problems = problems;
  await page.goto(pageUrl);
  await page.waitForSelector('#chooser[open]', { timeout: 15000 });
  return page;
}

// Every control by its role and name, with its box on the page.
async function controlBoxes(page) {
  const boxes = {};
  for (const name of controlNames) {
    const control = page.getByRole('button', { name, exact: true });
    expect(await control.count() === 1, `no single button named ${name}`);
    boxes[name] = await control.boundingBox();
  }
  return boxes;
}

async function expectLaidOut(page, [width, height], what) {
  const sizes = await page.evaluate(() => ({ w: document.documentElement.scrollWidth,
                                              h: document.documentElement.scrollHeight }));
  expect(sizes.w <= width && sizes.h <= height, `${what}: the page is ${sizes.w} x ${sizes.h} in a ${width} x ${height} viewport`);
  const picture = await page.locator('#client').boundingBox();
  const boxes = { picture, ...(await controlBoxes(page)) };
  const inside = (b) => b.x >= 0 && b.y >= 0 && b.x + b.width <= width + 0.5 && b.y + b.height <= height + 0.5;
  const overlap = (a, b) => a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
  for (const [name, box] of Object.entries(boxes)) {
    expect(box && inside(box), `${what}: ${name} is not wholly on screen (${JSON.stringify(box)})`);
  }
  const names = Object.keys(boxes);
  for (let i = 0; i < names.length; ++i) {
    for (let j = i + 1; j < names.length; ++j) {
      expect(!overlap(boxes[names[i]], boxes[names[j]]), `${what}: ${names[i]} overlaps ${names[j]}`);
    }
  }
  const ratio = picture.width / picture.height;
  expect(Math.abs(ratio - 1.5) < 0.01, `${what}: the picture is ${picture.width} x ${picture.height}, not 3:2`);
  return boxes;
}

for (const [name, screenSize] of Object.entries(touchScreens)) {
  cases[`layout_${name}`] = async () => {
    const page = await openTouchPage(screenSize);
    await shot(page, `${name}-chooser`);
    const dialog = await page.locator('#chooser').boundingBox();
    expect(dialog.x >= 0 && dialog.x + dialog.width <= screenSize[0], `the chooser does not fit: ${JSON.stringify(dialog)}`);
    await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
    await waitFor('a frame of the first text scene, pixel for pixel',
                  async () => reference.firstScene.has(await canvasDigest(page)), 15000, 10);
    await expectLaidOut(page, screenSize, name);
    await shot(page, `${name}-playing`);
    // The cost of a frame with the touch controls shown, over 120 frames.
    const from = await page.evaluate(() => orvalisProbes.frames);
    await waitFor('120 more frames', async () => (await page.evaluate(() => orvalisProbes.frames)) >= from + 120,
                  10000, 100);
    const median = await page.evaluate((start) => {
      const work = orvalisProbes.workTimes.slice(start, start + 120).sort((a, b) => a - b);
      return work[60];
    }, from);
    console.log(`${name}: median frame work with the touch controls shown: ${median.toFixed(3)} ms`);
    expect(page.problems.length === 0, page.problems.join('; '));
    await page.context().close();
  };
}

cases.touch_input = async () => {
  const page = await openTouchPage(touchScreens.phone_portrait);
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await waitFor('the first keyboard poll', async () => (await keyinput(page)) === 0x03FF);
  const boxes = await controlBoxes(page);
  const centre = (name) => ({ x: boxes[name].x + boxes[name].width / 2, y: boxes[name].y + boxes[name].height / 2 });
  const cdp = await page.context().newCDPSession(page);
  const touch = (type, points) => cdp.send('Input.dispatchTouchEvent', {
    type, touchPoints: points.map(([id, at]) => ({ id, x: at.x, y: at.y, radiusX: 4, radiusY: 4, force: 1 })) });
  const expectHeld = async (expected, what) => {
    if (expected === 0x03FF) await sleep(100);
    else await waitFor(what, async () => (await keyinput(page)) === expected, 2000).catch(() => {});
    const got = await keyinput(page);
    expect(got === expected, `${what}: KEYINPUT ${got.toString(16)}, expected ${expected.toString(16)}`);
  };
  const bits = { A: 0x001, B: 0x002, Select: 0x004, Start: 0x008, Right: 0x010, Left: 0x020, Up: 0x040, Down: 0x080,
                 R: 0x100, L: 0x200 };
  // Each button by a finger on it (Start last: it skips the intro).
  for (const name of controlNames.filter((n) => n !== 'Start')) {
    await touch('touchStart', [[1, centre(name)]]);
    await expectHeld(0x03FF & ~bits[name], `a finger on ${name}`);
    await touch('touchEnd', []);
    await expectHeld(0x03FF, `the finger lifted from ${name}`);
  }
  // A finger sliding across the D-pad: Up, then Up and Right (a diagonal), then Right.
  const up = centre('Up');
  const right = centre('Right');
  await touch('touchStart', [[1, up]]);
  await expectHeld(0x03BF, 'the finger on Up');
  await touch('touchMove', [[1, { x: right.x, y: up.y }]]);
  await expectHeld(0x03AF, 'the finger slid to the up-right diagonal');
  await touch('touchMove', [[1, right]]);
  await expectHeld(0x03EF, 'the finger slid on to Right');
  // A second finger presses A while the direction is held, then slides from A
  // onto B: the press moves with it, the first finger keeps Right.
  await touch('touchStart', [[1, right], [2, centre('A')]]);
  await expectHeld(0x03EE, 'Right held and A pressed');
  await touch('touchMove', [[1, right], [2, centre('B')]]);
  await expectHeld(0x03ED, 'the second finger slid from A onto B, Right still held');
  await shot(page, 'touch-held');
  // A cancelled touch releases what it held.
  await touch('touchCancel', []);
  await expectHeld(0x03FF, 'the touch cancelled');
  expect(page.problems.length === 0, page.problems.join('; '));
  await page.context().close();
};

// Start, touched during a text scene, skips the intro: black, and it stays
// black. (A fresh page: A and B, pressed above, skip the intro too.)
cases.touch_skip = async () => {
  const page = await openTouchPage(touchScreens.phone_landscape);
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  const start = await page.getByRole('button', { name: 'Start', exact: true }).boundingBox();
  const cdp = await page.context().newCDPSession(page);
  const touch = (type, points) => cdp.send('Input.dispatchTouchEvent', { type, touchPoints: points });
  await waitFor('a frame of the first text scene', async () => reference.firstScene.has(await canvasDigest(page)),
                15000, 10);
  await touch('touchStart', [{ id: 1, x: start.x + start.width / 2, y: start.y + start.height / 2 }]);
  await sleep(120);
  await touch('touchEnd', []);
  await waitFor('a black picture after Start', async () => (await canvasDigest(page)) === black, 2000, 10);
  for (let i = 0; i < 10; ++i) {
    expect(await canvasDigest(page) === black, 'the picture showed sprites again after the skip');
    await sleep(50);
  }
  expect(page.problems.length === 0, page.problems.join('; '));
  await page.context().close();
};

// Fullscreen of the play area where the browser offers it (and no button
// where it does not), and a screen wake lock while the frames run, released
// when the program ends. The wake lock is a stand-in that records what the
// page asks of it: headless Chromium has no screen to keep awake.
cases.fullscreen_and_wake_lock = async () => {
  const page = await openPage(async (context) => context.addInitScript(() => {
    window.wakeLockLog = [];
    Object.defineProperty(navigator, 'wakeLock', { value: { request: (type) => {
      window.wakeLockLog.push(`request ${type}`);
      const sentinel = new EventTarget();
      sentinel.release = () => { window.wakeLockLog.push('release'); return Promise.resolve(); };
      return Promise.resolve(sentinel);
    } } });
  }));
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await waitFor('the first frames', async () => (await page.evaluate(() => orvalisProbes.frames)) > 3);
  await waitFor('a wake lock while the frames run',
                async () => (await page.evaluate(() => window.wakeLockLog.join(','))) === 'request screen');
  await waitFor('a frame of the first text scene', async () => reference.firstScene.has(await canvasDigest(page)),
                15000, 10);
  await page.click('#fullscreen');
  await waitFor('the play area in fullscreen',
                () => page.evaluate(() => document.fullscreenElement && document.fullscreenElement.id === 'play'));
  // The picture as large as fits the screen at 3:2.
  const filled = await waitFor('the picture grown to the screen', async () => {
    const box = await page.locator('#screen').boundingBox();
    const view = await page.evaluate(() => [innerWidth, innerHeight]);
    const fits = Math.abs(box.width - Math.min(view[0], (view[1] - 30) * 1.5)) < 2;
    return fits && Math.abs(box.width / box.height - 1.5) < 0.01 ? box : null;
  }, 3000);
  console.log(`fullscreen: the picture is ${filled.width} x ${filled.height}`);
  await shot(page, 'fullscreen');
  await page.click('#fullscreen');
  await waitFor('fullscreen left', () => page.evaluate(() => document.fullscreenElement === null));
  await page.click('#close');
  await waitFor('the ended state', () => exitCode(page));
  const log = await page.evaluate(() => window.wakeLockLog.join(','));
  expect(log === 'request screen,release', `the wake lock saw ${log}`);
  await closePage(page);

  // Without the Fullscreen API (as on an iPhone) there is no fullscreen button.
  const bare = await openPage(async (context) => context.addInitScript(() => {
    for (const name of ['fullscreenEnabled', 'webkitFullscreenEnabled']) {
      Object.defineProperty(Document.prototype, name, { get: () => false });
    }
  }));
  expect(!(await bare.locator('#fullscreen').isVisible()), 'a fullscreen button where fullscreen cannot work');
  await closePage(bare);
};

// ---- offline and installable: a copy of the page on a server of the test's own,
// which the test stops (the worker's own fetches would pass an offline switch).
async function startCopy() {
  const root = fs.mkdtempSync(path.join(work, 'page-'));
  for (const f of fs.readdirSync(webDir)) {
    if (fs.statSync(path.join(webDir, f)).isFile()) fs.copyFileSync(path.join(webDir, f), path.join(root, f));
  }
  const copyServer = serve(root);
  const sockets = new Set();
  copyServer.on('connection', (socket) => { sockets.add(socket); socket.on('close', () => sockets.delete(socket)); });
  await new Promise((resolve) => copyServer.listen(0, '127.0.0.1', resolve));
  const stop = () => new Promise((resolve) => { for (const s of sockets) s.destroy(); copyServer.close(resolve); });
  return { root, url: `http://127.0.0.1:${copyServer.address().port}/orvalis.html`, stop };
}

const cacheNames = (page) => page.evaluate(() => caches.keys());
const workerReady = (page) => page.evaluate(async () => {
  await navigator.serviceWorker.ready;
  return Boolean(navigator.serviceWorker.controller) || new Promise((resolve) => {
    navigator.serviceWorker.addEventListener('controllerchange', () => resolve(true), { once: true });
  });
});

cases.offline = async () => {
  const copy = await startCopy();
  const context = await newContext({ viewport: { width: 1100, height: 800 } });
  const page = await context.newPage();
  await page.goto(copy.url);
  await page.waitForSelector('#chooser[open]', { timeout: 15000 });
  expect(await workerReady(page), 'the service worker does not control the page');
  const first = await cacheNames(page);
  expect(first.length === 1 && first[0].startsWith('orvalis-pc-'), `caches after the first visit: ${first}`);
  await copy.stop();
  const reloadAt = Date.now();
  await page.reload();
  await page.waitForSelector('#chooser[open]', { timeout: 15000 });
  console.log(`offline: reload to the chooser open in ${Date.now() - reloadAt} ms`);
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await waitFor('a frame of the first text scene offline', async () => reference.firstScene.has(await canvasDigest(page)),
                15000, 10);
  await shot(page, 'offline');
  await context.close();
};

// A rebuilt page (a file changed, its worker written again) replaces the old cache.
cases.offline_update = async () => {
  const copy = await startCopy();
  const context = await newContext({ viewport: { width: 1100, height: 800 } });
  const page = await context.newPage();
  await page.goto(copy.url);
  await page.waitForSelector('#chooser[open]', { timeout: 15000 });
  await workerReady(page);
  const [before] = await cacheNames(page);
  fs.appendFileSync(path.join(copy.root, 'orvalis-page.js'), '\n// rebuilt\n');
  const files = [...fs.readFileSync(path.join(copy.root, 'orvalis-sw.js'), 'utf8')
    .match(/const files = \[(.*)\];/)[1].matchAll(/'([^']+)'/g)].map(([, f]) => f);
  execFileSync('cmake', [`-DWEB_DIR=${copy.root}`, `-DTEMPLATE=${new URL('../../host/web/orvalis-sw.js.in', import.meta.url).pathname}`,
    '-DVERSION=test', `-DFILES=${files.join(',')}`, '-P', new URL('../../cmake/web_service_worker.cmake', import.meta.url).pathname]);
  await page.reload();
  await waitFor('the new cache, alone', async () => {
    const names = await cacheNames(page);
    return names.length === 1 && names[0] !== before && names[0].startsWith('orvalis-pc-test-');
  }, 15000, 100);
  await context.close();
  await copy.stop();
};

// Chromium judges installability only outside incognito: a profile of the test's own.
cases.installable = async () => {
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', viewport: { width: 1100, height: 800 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'] });
  await context.addInitScript(probesScript);
  const page = context.pages()[0] || await context.newPage();
  await page.goto(pageUrl);
  await page.waitForSelector('#chooser[open]', { timeout: 15000 });
  await workerReady(page);
  const cdp = await context.newCDPSession(page);
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  expect(installabilityErrors.length === 0, `installability errors: ${JSON.stringify(installabilityErrors)}`);
  const manifest = await (await fetch(new URL('orvalis.webmanifest', pageUrl))).json();
  expect(manifest.name === words.product_window_title, `the manifest's name is ${manifest.name}`);
  await context.close();
};

// The page that players get (the web preset, as the zip carries it) has none
// of the tests' probes: no key-register or heap export, no measurements.
cases.shipped_page = async () => {
  expect(args['shipped-dir'], 'no --shipped-dir given');
  const shipped = path.resolve(args['shipped-dir']);
  const program = fs.readFileSync(path.join(shipped, 'orvalis.js'), 'utf8');
  for (const probe of ['web_keyinput', 'web_heap_in_use']) {
    expect(!program.includes(probe), `the shipped orvalis.js exports ${probe}`);
    expect(fs.readFileSync(path.join(webDir, 'orvalis.js'), 'utf8').includes(probe), `the tests' build lacks ${probe}`);
  }
  for (const script of ['orvalis-page.js', 'orvalis-buttons.js']) {
    const text = fs.readFileSync(path.join(shipped, script), 'utf8');
    for (const word of ['frameStarts', 'workTimes', 'stats', 'Probes']) {
      expect(!text.includes(word), `the shipped ${script} carries ${word}`);
    }
  }
};

cases.cancel = async () => {
  const page = await openPage();
  await page.click('#chooser-cancel');
  await expectMessage(page, noticeCaption, noticeText, 'information');
  await shot(page, 'message-box');
  await dismiss(page, 'Escape');
  const code = await waitFor('the ended state', () => exitCode(page));
  expect(code === '0', `exit code ${code}, expected 0`);
  await closePage(page);
};

function makeFile(name, write) {
  const file = path.join(work, name);
  write(file);
  return file;
}

cases.refused = async () => {
  const demo = fs.readFileSync(path.join(webDir, 'orvalis-demo.gba'));
  const wrongSize = (actual) => [
    words.product_wrong_size_text.replace('%lld', String(actual)).replace('%u', String(imageSize)),
    words.product_wrong_size_caption];
  const files = [
    [makeFile('one-byte.gba', (f) => fs.writeFileSync(f, Buffer.from([1]))), ...wrongSize(1)],
    [makeFile('empty.gba', (f) => fs.writeFileSync(f, Buffer.alloc(0))), ...wrongSize(0)],
    [makeFile('huge.gba', (f) => execFileSync('truncate', ['-s', String(2 ** 32 + imageSize), f])),
     ...wrongSize(2 ** 32 + imageSize)],
    [makeFile('header.gba', (f) => { const b = Buffer.from(demo); b[0xAC] ^= 1; fs.writeFileSync(f, b); }),
     words.product_header_failed_text, words.product_header_failed_caption],
    [makeFile('digest.gba', (f) => { const b = Buffer.from(demo); b[0x123456] ^= 0x80; fs.writeFileSync(f, b); }),
     words.product_sha1_failed_text, words.product_sha1_failed_caption],
  ];
  for (const [file, text, caption] of files) {
    const page = await openPage();
    try {
      await chooseFile(page, file);
      await expectMessage(page, caption, text, 'error');
      if (file.endsWith('huge.gba')) await shot(page, 'wrong-size');
      await dismiss(page, ['Enter', 'Space', 'Escape'][files.findIndex(([f]) => f === file) % 3]);
      await expectNoticeAndEnd(page);
      await closePage(page);
    } catch (error) {
      throw new Failure(`${path.basename(file)}: ${error.message}`);
    }
  }
};

// Without Web Crypto (as on a plain-http page of another host) the digest
// fails, and the loader says so about the demo cartridge it would accept.
cases.no_web_crypto = async () => {
  const page = await openPage();
  await page.evaluate(() => Object.defineProperty(window.crypto, 'subtle', { value: undefined }));
  await chooseFile(page, path.join(webDir, 'orvalis-demo.gba'));
  await expectMessage(page, words.product_sha1_failed_caption, words.product_sha1_failed_text, 'error');
  await dismiss(page);
  await expectNoticeAndEnd(page);
  await closePage(page);
};

// ---- run
if (listing) {
  console.log(Object.keys(cases).join('\n'));
  process.exit(0);
}
expect(!args.only || cases[args.only], `no case named ${args.only}`);
work = fs.mkdtempSync(path.join(os.tmpdir(), 'orvalis-web-'));
server = serve();
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
pageUrl = `http://127.0.0.1:${server.address().port}/orvalis.html`;
reference = loadReference();
browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});

const sizes = ['orvalis.html', 'orvalis-buttons.js', 'orvalis-page.js', 'orvalis.js', 'orvalis.wasm', 'orvalis.webmanifest',
               'orvalis-sw.js'].map((f) => [f, fs.statSync(path.join(args['shipped-dir'] ? path.resolve(args['shipped-dir']) : webDir, f)).size]);
console.log(`page weight: ${sizes.map(([f, s]) => `${f} ${s} B`).join(', ')}; total ${sizes.reduce((a, [, s]) => a + s, 0)} B`);
if (shots) fs.mkdirSync(shots, { recursive: true });
let passed = 0;
let failed = 0;
for (const [name, run] of Object.entries(cases)) {
  if (args.only && args.only !== name) continue;
  try {
    await run();
    console.log(`${name}: passed`);
    passed += 1;
  } catch (error) {
    console.log(`${name}: FAILED: ${error.message}`);
    failed += 1;
  }
}
await browser.close();
server.close();
fs.rmSync(work, { recursive: true, force: true });
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
