// What the browser tests share, whichever engine they drive: waiting, the
// product's words, serving the page, the capture's frame digest and state
// log, and the headless capture's frames of the first text scene.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

export class Failure extends Error {}
export const expect = (condition, message) => { if (!condition) throw new Failure(message); };
export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
export async function waitFor(what, probe, timeout = 10000, interval = 20) {
  const deadline = Date.now() + timeout;
  for (;;) {
    const value = await probe();
    if (value) return value;
    if (Date.now() > deadline) throw new Failure(`timed out after ${timeout} ms waiting for ${what}`);
    await sleep(interval);
  }
}

// "--name value" pairs, and the flags given alone.
export function parseArgs(argv, flags = []) {
  const given = new Set(argv.filter((a) => flags.includes(a)));
  const rest = argv.filter((a) => !flags.includes(a));
  const pairs = Object.fromEntries(rest.reduce((all, value, i, list) =>
    (i % 2 ? all : [...all, [value.slice(2), list[i + 1]]]), []));
  return { ...pairs, flags: given };
}

export const imageSize = 8 * 1024 * 1024;

// ---- the product's words (titles, message texts), from the header the program takes them from
export function productWords() {
  const header = fs.readFileSync(new URL('../../platform/product.h', import.meta.url), 'utf8');
  const words = {};
  const unescape = (text) => JSON.parse(`"${text}"`);
  for (const [, name, literals] of header.matchAll(/constexpr char (\w+)\[\] =((?:\s*"(?:[^"\\]|\\.)*")+)\s*;/g)) {
    words[name] = [...literals.matchAll(/"((?:[^"\\]|\\.)*)"/g)].map(([, text]) => unescape(text)).join('');
  }
  for (const [, name, value] of header.matchAll(/constexpr int (\w+) = (\d+);/g)) words[name] = Number(value);
  return words;
}
export const words = productWords();

// ---- the page, served from a build folder
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
                '.gba': 'application/octet-stream', '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
export const serve = (root) => http.createServer((request, response) => {
  const name = path.normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname)).replace(/^\/+/, '');
  const file = path.join(root, name);
  if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  fs.createReadStream(file).pipe(response);
});

// ---- what the headless program shows
// The capture's frame digest of RGBA pixels (a canvas's): FNV-1a 64 of the
// frame buffer's 0x00RRGGBB words, little-endian, as hex. The page runs this
// same function on its canvas (its source is handed to the page).
export function frameDigest(rgba) {
  let value = 0xcbf29ce484222325n;
  const step = (byte) => { value = BigInt.asUintN(64, (value ^ BigInt(byte)) * 0x100000001b3n); };
  for (let i = 0; i < rgba.length; i += 4) { step(rgba[i + 2]); step(rgba[i + 1]); step(rgba[i]); step(0); }
  return value.toString(16);
}
export const black = BigInt('0x' + frameDigest(new Uint8Array(240 * 160 * 4)));

// The page script that digests the canvas, for any driver's "execute script".
export const canvasDigestScript = `return (${frameDigest.toString()})(
  document.getElementById('screen').getContext('2d').getImageData(0, 0, 240, 160).data);`;

// The capture's state log, a row per frame by column name.
export function readStateLog(log) {
  const [header, ...lines] = fs.readFileSync(log, 'utf8').trim().split('\n').map((line) => line.split(','));
  return lines.map((fields) => Object.fromEntries(header.map((name, i) => [name, fields[i]])));
}

// The digests of the first text scene's frames that show something, from the
// capture tool of the native build, run over the whole intro.
export function loadReference(releaseDir, rom, work) {
  const capture = (...more) => execFileSync(path.join(releaseDir, 'orvalis-capture'),
    ['--rom', rom, '--trust-image', ...more], { encoding: 'utf8' });
  const log = path.join(work, 'state.csv');
  const introLength = Number(capture('--intro-length').trim());
  capture('--frames', String(introLength), '--state-log', log);
  const scenes = new Map();
  for (const row of readStateLog(log)) {
    if (row.game_mode !== '1' || row.mode_stage !== '2') continue;
    const scene = Number(row.scene_index);
    if (!scenes.has(scene)) scenes.set(scene, new Set());
    const digest = BigInt('0x' + row.digest);
    if (digest !== black) scenes.get(scene).add(digest);
  }
  expect(scenes.get(0)?.size, 'the capture shows no first text scene');
  return { firstScene: scenes.get(0) };
}
