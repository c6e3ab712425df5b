// How the page copes with a large batch: 1,000 saves of mixed kinds chosen
// at once in headless Chromium. Prints the time until every result is
// listed, the longest the page's own thread went without a frame, how late
// pointer moves sent throughout were handled, and the memory of the tab's
// process (renderer, the worker included) and of the browser's, which holds
// the outputs as Blobs. Not a test: the figures depend on the machine.
//
// In the same run, alternately, a baseline: a bare page whose two workers
// only read each file and store a Blob of its output's size, listed as the
// page lists it. What the page takes beyond it is the page's own; the ratio
// of the two is what a machine's figures are compared by.
//   node web/bench/bench.mjs [COUNT] [ROUNDS]      (after the wasm build)

import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

import {
    actionReplayDsFile, dsvFile, K, launchOptions, nocashStoredFile, pagePath, pattern,
} from '../tests/support.mjs';

const count = Number(process.argv[2] ?? 1000);
const rounds = Number(process.argv[3] ?? 3);
// The mix players bring: mostly cart saves, some emulator and Action Replay
// saves, and a few files that are refused.
const kinds = [
    { share: 30, name: (i) => `Game ${i}.nds.sav`, bytes: pattern(256 * K) },
    { share: 20, name: (i) => `M3 ${i}.dat`, bytes: pattern(257 * K) },
    { share: 20, name: (i) => `Link ${i}.sav`, bytes: pattern(520 * K, 16) },
    { share: 10, name: (i) => `Emu ${i}.dsv`, bytes: dsvFile(pattern(64 * K)) },
    { share: 10, name: (i) => `Ar ${i}.duc`, bytes: actionReplayDsFile(pattern(8 * K)) },
    { share: 5, name: (i) => `Nocash ${i}.sav`, bytes: nocashStoredFile(pattern(64 * K)) },
    { share: 5, name: (i) => `Lying ${i}.dsv`, bytes: dsvFile(pattern(8 * K), { padded: 64 * K }), refused: true },
];
// Every save converts to a J8 image; the lying .dsv files are refused.
const kJ8 = 512 * K;

const folder = mkdtempSync(join(tmpdir(), 'ondrel-bench-'));
let paths = [];
const outputSizes = {};
for (let i = 0; paths.length < count; ++i) {
    const kind = kinds.find((_, k) => i % 100 < kinds.slice(0, k + 1).reduce((sum, { share }) => sum + share, 0));
    const path = join(folder, kind.name(i));
    writeFileSync(path, kind.bytes);
    paths.push(path);
    outputSizes[kind.name(i)] = kind.refused ? 0 : kJ8;
}
paths.sort(() => Math.random() - 0.5);

// The baseline page: what any page that reads the files and keeps outputs
// as Blobs must take, with nothing converted.
const baselinePath = join(folder, 'baseline.html');
writeFileSync(baselinePath, `<!doctype html><meta charset="utf-8"><title>Baseline</title>
<label for="files">Save files</label><input id="files" type="file" multiple>
<p id="status"></p><ol id="results"></ol>
<script type="text/plain" id="worker">
onmessage = async ({ data: { files, places, sizes } }) => {
    for (const [i, file] of files.entries()) {
        await file.arrayBuffer();
        const blob = sizes[i] ? new Blob([new Uint8Array(sizes[i]).fill(0xff)]) : null;
        postMessage({ place: places[i], name: file.name, blob });
    }
};
</script>
<script type="module">
const sizes = ${JSON.stringify(outputSizes)};
const url = URL.createObjectURL(new Blob([document.getElementById('worker').textContent]));
const workers = [new Worker(url), new Worker(url)];
const list = document.getElementById('results');
document.getElementById('files').addEventListener('change', ({ target }) => {
    const chosen = [...target.files];
    let left = chosen.length;
    const answer = ({ data }) => {
        const li = document.createElement('li');
        li.textContent = data.name;
        if (data.blob) {
            const link = document.createElement('a');
            link.href = URL.createObjectURL(data.blob);
            link.download = data.name;
            link.textContent = 'Download';
            li.append(link);
        }
        list.append(li);
        if (--left === 0) document.getElementById('status').textContent = chosen.length + ' files converted.';
    };
    for (let first = 0; first < chosen.length; first += 10) {
        const files = chosen.slice(first, first + 10);
        const worker = workers[(first / 10) % 2];
        worker.onmessage = answer;
        worker.postMessage({ files, places: files.map((_, i) => first + i), sizes: files.map((f) => sizes[f.name]) });
    }
});
</script>`);

// Resident and peak memory of a process, in MiB, from /proc.
function memory(pid) {
    const status = readFileSync(`/proc/${pid}/status`, 'utf8');
    const field = (name) => Number(status.match(new RegExp(`${name}:\\s+(\\d+) kB`))[1]) / 1024;
    return { rss: field('VmRSS'), peak: field('VmHWM') };
}

// The process that renders the page (its workers too): the one a short
// trace of the page names.
async function rendererOf(browser, page) {
    const path = join(folder, 'trace.json');
    await browser.startTracing(page, { path, categories: ['devtools.timeline'] });
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    await browser.stopTracing();
    const { traceEvents } = JSON.parse(readFileSync(path, 'utf8'));
    return traceEvents.find(({ name, args }) => name === 'thread_name' && args.name === 'CrRendererMain').pid;
}

// Chromium's own process: the one this one started.
function browserProcess() {
    return readdirSync('/proc').filter((name) => /^\d+$/.test(name)).find((pid) => {
        try {
            return readFileSync(`/proc/${pid}/stat`, 'utf8').match(/\) \S+ (\d+)/)[1] === String(process.pid) &&
                !readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=');
        } catch {
            return false;
        }
    });
}

// One page's batch in a fresh tab: its figures, and its memory when asked.
async function measure(browser, path, { memory: withMemory = false } = {}) {
    const page = await browser.newPage();
    await page.goto(`file://${path}`);
    const renderer = withMemory ? await rendererOf(browser, page) : 0;
    await page.evaluate(() => {
        // Frames: the longest stretch without one is the longest the page
        // could not answer.
        // Gaps are counted from the moment the files are chosen: before it,
        // the browser makes its File objects (a quarter of a second for a
        // thousand), which no page can change.
        window.bench = { gap: 0, lag: 0, moves: 0, long: [] };
        let last = performance.now();
        const frame = (now) => {
            if (window.bench.start !== undefined && !window.bench.end) {
                window.bench.gap = Math.max(window.bench.gap, now - Math.max(last, window.bench.start));
            }
            last = now;
            requestAnimationFrame(frame);
        };
        requestAnimationFrame(frame);
        document.addEventListener('pointermove', (event) => {
            if (!(event.timeStamp >= window.bench.start) || window.bench.end) return;
            window.bench.lag = Math.max(window.bench.lag, performance.now() - event.timeStamp);
            window.bench.moves += 1;
        });
        document.addEventListener('change', () => { window.bench.start = performance.now(); }, true);
        new PerformanceObserver((list) => {
            for (const task of list.getEntries()) {
                if (window.bench.start !== undefined && task.startTime >= window.bench.start) {
                    window.bench.long.push(Math.round(task.duration));
                }
            }
        }).observe({ type: 'longtask' });
        new MutationObserver(() => {
            if (/converted/.test(document.getElementById('status').textContent)) {
                window.bench.end ??= performance.now();
            }
        }).observe(document.getElementById('status'), { childList: true, subtree: true, characterData: true });
    });
    await page.waitForTimeout(500);

    let moving = true;
    const mover = (async () => {
        for (let x = 0; moving; x = (x + 7) % 500) {
            await page.mouse.move(100 + x, 600);
            await new Promise((resolve) => setTimeout(resolve, 20));
        }
    })();
    const chosenAt = Date.now();
    await page.getByLabel('Save files').setInputFiles(paths);
    const chosenIn = Date.now() - chosenAt;
    await page.waitForFunction(() => window.bench.end, null, { timeout: 120000, polling: 100 });
    moving = false;
    await mover;

    const bench = await page.evaluate(() => window.bench);
    const status = await page.locator('#status').textContent();
    const listed = await page.locator('#results > li').count();
    const session = await page.context().newCDPSession(page);
    await session.send('Performance.enable');
    const { metrics } = await session.send('Performance.getMetrics');
    const heap = metrics.find(({ name }) => name === 'JSHeapUsedSize').value / 2 ** 20;

    const figures = { status, listed, chosenIn, time: bench.end - bench.start, bench, heap };
    if (withMemory) {
        figures.memory = [['the tab (page and workers)', renderer], ['the browser (holds the Blobs)', browserProcess()]]
            .map(([what, pid]) => ({ what, pid, ...memory(pid) }));
    }
    await page.close();
    return figures;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const browser = await chromium.launch(launchOptions);
try {
    const times = { page: [], baseline: [] };
    let last;
    for (let round = 0; round < rounds; ++round) {
        times.baseline.push((await measure(browser, baselinePath)).time);
        last = await measure(browser, pagePath, { memory: round === rounds - 1 });
        times.page.push(last.time);
        paths = paths.sort(() => Math.random() - 0.5);
    }
    const { status, listed, chosenIn, bench, heap } = last;
    console.log(`${count} saves (${paths.length} files): ${status}`);
    console.log(`  handing the files to the page: ${chosenIn} ms`);
    console.log(`  chosen to all ${listed} listed: ${times.page.map((t) => t.toFixed(0)).join(', ')} ms; ` +
        `baseline ${times.baseline.map((t) => t.toFixed(0)).join(', ')} ms`);
    console.log(`  the page against the baseline (medians): ` +
        `${(median(times.page) / median(times.baseline)).toFixed(2)}x`);
    console.log(`  from then on: longest gap between frames ${bench.gap.toFixed(0)} ms; ` +
        `pointer moves handled at most ${bench.lag.toFixed(0)} ms late (${bench.moves} moves); ` +
        `tasks over 50 ms: ${bench.long.length ? bench.long.join(', ') + ' ms' : 'none'}`);
    console.log(`  page's JavaScript heap: ${heap.toFixed(0)} MiB`);
    for (const { what, pid, rss, peak } of last.memory) {
        console.log(`  ${what}, process ${pid}: ${rss.toFixed(0)} MiB resident, ${peak.toFixed(0)} MiB at most`);
    }
} finally {
    await browser.close();
    rmSync(folder, { recursive: true, force: true });
}
