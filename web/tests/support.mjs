// What the page's tests share: save files laid out from their formats (every
// byte of a save depends on its offset, so a byte in the wrong place shows),
// the native converter run as a user would, and the page opened in Chromium
// with every request outside the file checked.

import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { unzipSync } from 'fflate';
import { chromium } from 'playwright-core';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const pagePath = process.env.ONDREL_PAGE || join(root, 'build/wasm/web/ondrel.html');
export const converterPath = process.env.ONDREL_CONVERT || join(root, 'build/native/cli/ondrel-convert');
export const K = 1024;

// Byte i of a generated save; never 0xFF, so a blank byte always differs.
export function patternByte(i) {
    const b = ((i * 7) ^ ((i >>> 8) * 13) ^ ((i >>> 16) * 101)) & 0xff;
    return b === 0xff ? 0x5a : b;
}

export function pattern(size, blankFront = 0) {
    const bytes = new Uint8Array(size);
    for (let i = 0; i < size; ++i) bytes[i] = i < blankFront ? 0xff : patternByte(i);
    return bytes;
}

export function concat(...pieces) {
    const bytes = new Uint8Array(pieces.reduce((size, piece) => size + piece.length, 0));
    let at = 0;
    for (const piece of pieces) {
        bytes.set(piece, at);
        at += piece.length;
    }
    return bytes;
}

const text = (string) => new TextEncoder().encode(string);
const words = (...values) => {
    const bytes = new Uint8Array(4 * values.length);
    values.forEach((value, i) => new DataView(bytes.buffer).setUint32(4 * i, value, true));
    return bytes;
};

// The save, then DeSmuME's 122-byte footer; its numbers may be made to lie.
export function dsvFile(save, { padded = save.length, used = padded, version = 0 } = {}) {
    return concat(save,
        text('|<--Snip above here to create a raw sav by excluding this DeSmuME savedata footer:'),
        words(used, padded, 0, 3, padded, version), text('|-DESMUME SAVE-|'));
}

// A DS game's ROM header: its code at 0x0C, and the header's CRC-16
// (reflected 0xA001 from 0xFFFF over bytes 0x000-0x15D) at 0x15E.
export function romHeader(code) {
    const header = new Uint8Array(512);
    header.set(text('TEST GAME'));
    header.set(text(code), 0x0c);
    let crc = 0xffff;
    for (const byte of header.subarray(0, 0x15e)) {
        crc ^= byte;
        for (let bit = 0; bit < 8; ++bit) crc = crc & 1 ? (crc >>> 1) ^ 0xa001 : crc >>> 1;
    }
    header[0x15e] = crc & 0xff;
    header[0x15f] = crc >>> 8;
    return header;
}

// Action Replay DS: "ARDS000000000001" in a 500-byte header.
export function actionReplayDsFile(save) {
    const header = new Uint8Array(500);
    header.set(text('ARDS000000000001'));
    return concat(header, save);
}

// Action Replay DSi: a 164-byte header whose bytes 0xA1-0xA2 give the length.
export function actionReplayDsiFile(save, length) {
    const header = new Uint8Array(0xa4);
    header[0xa1] = (length >>> 8) & 0xff;
    header[0xa2] = (length >>> 16) & 0xff;
    header[0xa3] = 0xc0;
    return concat(header, save);
}

function nocashHeader(method) {
    const header = new Uint8Array(0x44).fill(0x20);
    header.set(text('NocashGbaBackupMediaSavDataFile\x1a'));
    header.set(text('SRAM'), 0x40);
    return concat(header, words(method));
}

export const nocashStoredFile = (save) => concat(nocashHeader(0), words(save.length), save);
export const nocashPackedFile = (runs, packed, unpacked) =>
    concat(nocashHeader(1), words(packed, unpacked), runs);

// Runs of 65,535 bytes of 0x11 that unpack to 64 MiB from about 4 KiB.
function runs64MiB() {
    const runs = [];
    for (let left = 64 * K * K; left > 0; left -= Math.min(left, 0xffff)) {
        const count = Math.min(left, 0xffff);
        runs.push(0x80, 0x11, count & 0xff, count >> 8);
    }
    runs.push(0);
    return Uint8Array.from(runs);
}

// Files made to cost a converter time or memory: a run-length bomb, and a
// footer that claims more than the file holds.
export function hostileFiles() {
    const bomb = runs64MiB();
    return [
        { name: 'Bomb.sav', bytes: nocashPackedFile(bomb, bomb.length, 64 * K * K) },
        { name: 'Lying.dsv', bytes: dsvFile(pattern(8 * K), { padded: 64 * K }) },
    ];
}

// Runs the native converter on one file in a folder of its own, as a user
// would: what it printed, and the one file it wrote (if any).
export function convertNative(name, bytes, options = {}) {
    const { stdout, stderr, status, outputs } = convertNativeBatch([{ name, bytes }], options);
    const [output] = Object.keys(outputs);
    return { status, stdout, stderr, output, bytes: outputs[output] };
}

// The same for files converted in one run, in their order.
// beside: files put in the folder, not converted (a game's ROM).
export function convertNativeBatch(files, { to, size, kind, game, beside = [] } = {}) {
    const folder = mkdtempSync(join(tmpdir(), 'ondrel-web-'));
    try {
        for (const { name, bytes } of [...files, ...beside]) writeFileSync(join(folder, name), bytes);
        const args = ['--to', to ?? 'j8', ...(size ? ['--size', size] : []),
            ...(kind ? ['--kind', kind] : []), ...(game ? ['--game-code', game] : []), ...files.map(({ name }) => name)];
        const run = spawnSync(converterPath, args, { cwd: folder, encoding: 'utf8' });
        if (run.error) throw new Error(`${converterPath}: ${run.error.message} (build the native preset)`);
        const written = readdirSync(folder).filter((file) => ![...files, ...beside].some(({ name }) => name === file));
        return {
            status: run.status,
            stdout: run.stdout.split('\n').filter(Boolean),
            stderr: run.stderr.split('\n').filter(Boolean),
            outputs: Object.fromEntries(written.map((file) => [file, new Uint8Array(readFileSync(join(folder, file)))])),
        };
    } finally {
        rmSync(folder, { recursive: true, force: true });
    }
}

export const launchOptions = {
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update',
        '--disable-sync', '--no-first-run', '--disable-quic'],
};

// A browser whose pages record every request that is not of the page's own
// file, data: or blob: (aborting it); tests expect the list empty.
export async function openBrowser(contextOptions = {}) {
    const browser = await chromium.launch(launchOptions);
    const context = await browser.newContext({ acceptDownloads: true, ...contextOptions });
    const offPage = [];
    const local = (url) => /^(file|data|blob):/.test(url);
    await context.route('**/*', (route) => {
        const url = route.request().url();
        if (local(url)) return route.continue();
        offPage.push(url);
        return route.abort();
    });
    context.on('request', (request) => {
        if (!local(request.url())) offPage.push(request.url());
    });
    const errors = [];
    return {
        offPage,
        errors,
        close: () => browser.close(),
        async page() {
            const page = await context.newPage();
            page.on('pageerror', (error) => errors.push(error.message));
            await page.goto(`file://${pagePath}`);
            return page;
        },
    };
}

// The page's choices and files, as a user makes them.
export async function choose(page, files, { to = 'j8', size = '', kind = '' } = {}) {
    await page.getByLabel('Convert to').selectOption({ value: to });
    await page.getByLabel('Chip size').selectOption({ value: size });
    await page.getByLabel('Read as').selectOption({ value: kind });
    await page.getByLabel('Save files').setInputFiles(
        files.map(({ name, bytes }) => ({ name, mimeType: 'application/octet-stream', buffer: Buffer.from(bytes) })));
}

// Waits until the list holds every file's result, and reads them.
export async function results(page, count) {
    const list = page.getByRole('list', { name: 'Results' });
    await page.waitForFunction((n) => document.querySelectorAll('#results > li').length === n, count);
    return list.locator(':scope > li').evaluateAll((items) => items.map((li) => ({
        text: li.textContent.trim(),
        lines: li.querySelector('pre')?.textContent.split('\n') ?? [],
        warnings: [...li.querySelectorAll('.warning')].map((p) => p.textContent.replace(/^Warning: /, '')),
        links: [...li.querySelectorAll('a')].map((a) => ({ download: a.download, href: a.href })),
    })));
}

// The bytes behind the index-th item's link, as the browser downloads them.
export async function download(page, index) {
    const link = page.getByRole('list', { name: 'Results' }).locator(':scope > li').nth(index).getByRole('link');
    const [saved] = await Promise.all([page.waitForEvent('download'), link.click()]);
    return { name: saved.suggestedFilename(), bytes: new Uint8Array(readFileSync(await saved.path())) };
}

// "Download all", unzipped: the entries by name.
export async function downloadAll(page) {
    const [saved] = await Promise.all([
        page.waitForEvent('download'), page.getByRole('button', { name: 'Download all' }).click()]);
    return unzipSync(new Uint8Array(readFileSync(await saved.path())));
}

// The converter's reason for writing nothing, as the page words it: the same
// text, where the converter names an option to keep what would be lost the
// page names its control.
export function pageReason(native) {
    return native.stderr.at(-1).replace(/^ondrel-convert: /, '')
        .replace('give --kind to convert it', 'choose its kind under Read as')
        .replace('(--to raw or --to dsv)', '(choose Bare save or DeSmuME .dsv under Convert to)')
        .replace(/\(--size (\d+)([KM]?)\)/, (_, count, unit) =>
            `(choose ${count} ${{ K: 'KiB', M: 'MiB', '': 'bytes' }[unit]} under Chip size)`)
        .replace(/\(--kind raw keeps (it|them)\)/, '(choose Bare save under Read as to keep $1)')
        .replace('(--kind raw keeps the file as it is)', '(choose Bare save under Read as to keep the file as it is)');
}
