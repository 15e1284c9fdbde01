// The folder kavtool export-web writes, played in headless Chromium from file:// as a user opens
// it: pictures on their moments, the marks, the keys, the FLAC voice decoded to the WAV one's
// samples, a title full of markup shown as text, and the page at phone width.
// web-export-test.sh makes the folders and names them in the environment.
import assert from 'node:assert/strict';
import { createReadStream, readFileSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

const demoFolder = process.env.KAV_WEB_DEMO;
const markupFolder = process.env.KAV_WEB_MARKUP;
const markupTitle = process.env.KAV_WEB_MARKUP_TITLE;
const stereoFolder = process.env.KAV_WEB_STEREO;
const screenshots = process.env.KAV_WEB_SCREENSHOTS;
const ON_TIME_MS = 100;

const demoTimeline = JSON.parse(readFileSync(join(demoFolder, 'timeline.json'), 'utf8'));
const pictured = demoTimeline.periods.filter((period) => period.picture);

let browser;
before(async () => {
  browser = await puppeteer.launch({
    executablePath: process.env.KAV_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
});
after(async () => browser?.close());

const pageOf = (folder) => pathToFileURL(join(folder, 'index.html')).href;

// Opens an exported page and collects everything it complains about, and every request for
// anything outside its folder.
async function openPage(url, viewport = { width: 1280, height: 800 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  const problems = [];
  const folder = url.slice(0, url.lastIndexOf('/') + 1);
  page.on('console', (message) => message.type() === 'error' && problems.push(message.text()));
  page.on('pageerror', (error) => problems.push(error.message));
  // The browser cancels a media request of its own when it seeks or has read enough
  // (net::ERR_ABORTED); any other failure is the page's.
  page.on('requestfailed', (request) => {
    if (request.failure()?.errorText !== 'net::ERR_ABORTED') problems.push('failed: ' + request.url());
  });
  page.on('request', (request) => {
    if (!request.url().startsWith(folder)) problems.push('outside the folder: ' + request.url());
  });
  page.on('dialog', async (dialog) => {
    problems.push('dialog: ' + dialog.message());
    await dialog.dismiss();
  });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => document.getElementById('voice').readyState >= 1);
  return { page, problems };
}

async function shown(page) {
  return page.evaluate(() => {
    const picture = document.getElementById('picture');
    return {
      picture: picture.hidden ? null : picture.getAttribute('src'),
      alt: picture.alt,
      ms: document.getElementById('voice').currentTime * 1000,
    };
  });
}

async function seekAndSettle(page, ms) {
  await page.evaluate((to) => new Promise((resolve) => {
    const audio = document.getElementById('voice');
    audio.addEventListener('seeked', resolve, { once: true });
    audio.currentTime = to / 1000;
  }), ms);
}

// Plays from just before `boundary` and reports the position at which what is shown changed.
async function positionOfChange(page, boundary) {
  await seekAndSettle(page, boundary - 400);
  const change = page.evaluate(() => new Promise((resolve) => {
    const audio = document.getElementById('voice');
    const picture = document.getElementById('picture');
    const observer = new MutationObserver(() => {
      observer.disconnect();
      resolve({ ms: audio.currentTime * 1000, picture: picture.hidden ? null : picture.getAttribute('src') });
    });
    observer.observe(picture, { attributes: true, attributeFilter: ['src', 'hidden'] });
  }));
  await page.click('#play');
  const result = await change;
  await page.click('#play');
  return result;
}

test('the demo plays with every picture on its moment, and a mark jumps to its picture', async () => {
  const { page, problems } = await openPage(pageOf(demoFolder));
  assert.equal(await page.$eval('h1', (h) => h.textContent), demoTimeline.title);
  assert.deepEqual(await shown(page), { picture: pictured[0].picture, alt: `Picture 1 of ${pictured.length}`, ms: 0 });
  const duration = await page.$eval('#voice', (audio) => audio.duration * 1000);
  assert.ok(Math.abs(duration - demoTimeline.duration_ms) < 50, `the voice lasts ${duration} ms`);

  // A picture, the period without one, and the picture after it.
  for (const index of [1, 4, 5]) {
    const period = demoTimeline.periods[index];
    const change = await positionOfChange(page, period.start_ms);
    assert.equal(change.picture, period.picture, `period ${index}`);
    assert.ok(Math.abs(change.ms - period.start_ms) <= ON_TIME_MS,
      `period ${index} starts at ${period.start_ms} ms and showed at ${change.ms.toFixed(0)} ms`);
  }

  const marks = await page.$$('.mark');
  assert.equal(marks.length, pictured.length);
  await marks[5].click();
  await page.waitForFunction((ms) => Math.abs(document.getElementById('voice').currentTime * 1000 - ms) < 5,
    {}, pictured[5].start_ms);
  assert.equal((await shown(page)).picture, pictured[5].picture);
  assert.equal((await shown(page)).alt, `Picture 6 of ${pictured.length}`);

  if (screenshots) {
    await seekAndSettle(page, demoTimeline.periods[1].start_ms + 2000);
    await page.screenshot({ path: join(screenshots, 'web-export-desktop.png') });
  }
  assert.deepEqual(problems, []);
});

test('the keys do what the player\'s keys do, wherever the focus is', async () => {
  const { page, problems } = await openPage(pageOf(demoFolder));
  const position = async () => (await shown(page)).ms;
  const starts = demoTimeline.periods.map((period) => period.start_ms);

  await page.keyboard.press('PageDown');
  assert.equal(Math.round(await position()), starts[1]);
  await page.keyboard.press('PageDown');
  assert.equal(Math.round(await position()), starts[2]);
  await page.keyboard.press('ArrowRight');
  assert.equal(Math.round(await position()), starts[2] + 10000);
  await page.keyboard.press('ArrowLeft');
  assert.equal(Math.round(await position()), starts[2] + 7000);
  await page.keyboard.press('PageUp');
  assert.equal(Math.round(await position()), starts[2], 'back to the start of the picture shown');
  await page.keyboard.press('PageUp');
  assert.equal(Math.round(await position()), starts[1], 'just after a start, to the one before');
  await page.keyboard.press('Home');
  assert.equal(await position(), 0);

  // Space on a focused button plays once, not once for the key and again as a click.
  await page.focus('#next');
  await page.keyboard.press('Space');
  await page.waitForFunction(() => !document.getElementById('voice').paused);
  // The button takes its new name when the page hears that playing began, a moment after.
  await page.waitForFunction(() => document.getElementById('play').getAttribute('aria-label') === 'Pause');
  assert.equal(Math.round(await position() / 1000), 0, 'Space did not press the focused button');
  await page.keyboard.press('Space');
  assert.equal(await page.$eval('#voice', (audio) => audio.paused), true);
  assert.deepEqual(problems, []);
});

// The frames a browser decodes from a FLAC and a WAV file, the frames the WAV file holds, and the
// largest difference between the two decodings.
async function compareDecoded(page, flacPath, wavPath) {
  const wav = readFileSync(wavPath);
  const frames = (wav.length - 44) / (2 * wav.readUInt16LE(22));
  const decoded = await page.evaluate(async (flac, wave, channels, rate) => {
    // A context at the voice's own rate, so that nothing is resampled.
    const decode = async (base64) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      return new OfflineAudioContext(channels, 1, rate).decodeAudioData(bytes.buffer);
    };
    const [a, b] = [await decode(flac), await decode(wave)];
    let largest = a.numberOfChannels === b.numberOfChannels ? 0 : Infinity;
    for (let c = 0; c < Math.min(a.numberOfChannels, b.numberOfChannels); ++c) {
      const [x, y] = [a.getChannelData(c), b.getChannelData(c)];
      for (let i = 0; i < Math.min(x.length, y.length); ++i) largest = Math.max(largest, Math.abs(x[i] - y[i]));
    }
    return { flac: a.length, wav: b.length, largest };
  }, readFileSync(flacPath).toString('base64'), wav.toString('base64'), wav.readUInt16LE(22), wav.readUInt32LE(24));
  return { ...decoded, frames };
}

test('a title full of markup stays text, and the FLAC voice holds the WAV one\'s samples', async () => {
  const { page, problems } = await openPage(pageOf(markupFolder));
  assert.equal(await page.title(), markupTitle);
  assert.equal(await page.$eval('h1', (h) => h.textContent), markupTitle);
  assert.equal(await page.$$eval('main b, main img:not(#picture), script', (found) => found.length), 2,
    'no element came from the title');
  const embedded = await page.$eval('#timeline', (script) => JSON.parse(script.textContent));
  assert.deepEqual(embedded, JSON.parse(readFileSync(join(markupFolder, 'timeline.json'), 'utf8')));

  // The markup document carries the demo's voice; the stereo one has silence, a tone and noise.
  const demo = await compareDecoded(page, join(demoFolder, 'voice.flac'), join(markupFolder, 'voice.wav'));
  assert.deepEqual(demo, { flac: demo.frames, wav: demo.frames, largest: 0, frames: demo.frames });
  assert.ok(Math.abs(demo.frames / 22.05 - demoTimeline.duration_ms) < 1);
  const stereo = await compareDecoded(page, join(stereoFolder + '-flac', 'voice.flac'), join(stereoFolder + '-wav', 'voice.wav'));
  assert.deepEqual(stereo, { flac: 40000, wav: 40000, largest: 0, frames: 40000 });
  assert.deepEqual(problems, []);
});

test('at phone width the page fits, every control has a name and is large enough to touch', async () => {
  const { page, problems } = await openPage(pageOf(demoFolder), { width: 390, height: 844, isMobile: true, hasTouch: true });
  const layout = await page.evaluate(() => ({
    overflow: document.documentElement.scrollWidth - window.innerWidth,
    unnamed: [...document.querySelectorAll('button, input')].filter((c) => !c.getAttribute('aria-label')).length,
    small: [...document.querySelectorAll('.controls button')].filter((b) => b.offsetHeight < 44 || b.offsetWidth < 44).length,
  }));
  assert.deepEqual(layout, { overflow: 0, unnamed: 0, small: 0 });
  await page.tap('#next');
  assert.equal(Math.round((await shown(page)).ms), demoTimeline.periods[1].start_ms);
  if (screenshots) await page.screenshot({ path: join(screenshots, 'web-export-phone.png') });
  assert.deepEqual(problems, []);
});

// A plain static server, as a web host serves files: by extension, with byte ranges.
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.json': 'application/json',
  '.jpg': 'image/jpeg', '.flac': 'audio/flac', '.wav': 'audio/wav' };

test('from a static web server the demo plays the same', async () => {
  const server = createServer((request, response) => {
    const file = join(demoFolder, decodeURIComponent(new URL(request.url, 'http://host').pathname));
    const size = statSync(file, { throwIfNoEntry: false })?.size;
    if (size === undefined) return response.writeHead(404).end();
    const [, from, to] = /bytes=(\d+)-(\d*)/.exec(request.headers.range ?? '') ?? [];
    const start = Number(from ?? 0);
    const end = to ? Number(to) : size - 1;
    response.writeHead(from === undefined ? 200 : 206, {
      'Content-Type': TYPES[file.slice(file.lastIndexOf('.'))] ?? 'application/octet-stream',
      'Content-Length': end - start + 1, 'Accept-Ranges': 'bytes',
      ...(from === undefined ? {} : { 'Content-Range': `bytes ${start}-${end}/${size}` }),
    });
    createReadStream(file, { start, end }).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    const { page, problems } = await openPage(`http://127.0.0.1:${server.address().port}/index.html`);
    const period = demoTimeline.periods[5];
    const change = await positionOfChange(page, period.start_ms);
    assert.equal(change.picture, period.picture);
    assert.ok(Math.abs(change.ms - period.start_ms) <= ON_TIME_MS, `showed at ${change.ms.toFixed(0)} ms`);
    await page.close();
    assert.deepEqual(problems, []);
  } finally {
    server.close();
  }
});
