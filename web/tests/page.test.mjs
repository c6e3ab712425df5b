// The page as people use it: refusals that take earlier links away, files
// refused by their size alone, files dropped, "Download all" with names that
// collide or that some system cannot keep, the keyboard alone, and an
// accessibility audit.

import assert from 'node:assert/strict';
import { closeSync, mkdtempSync, openSync, readFileSync, rmSync, ftruncateSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { unzipSync } from 'fflate';

import {
    choose, convertNative, convertNativeBatch, download, downloadAll, dsvFile, hostileFiles, K, openBrowser, pageReason, pattern,
    results, romHeader,
} from './support.mjs';

const largestSaveFile = 65 * K * K;  // the most a file may have (64 MiB and 1 MiB of room)

let browser;
let folder;
before(async () => {
    browser = await openBrowser();
    folder = mkdtempSync(join(tmpdir(), 'ondrel-page-'));
});
after(async () => {
    await browser?.close();
    rmSync(folder, { recursive: true, force: true });
    assert.deepEqual(browser.errors, []);
    assert.deepEqual(browser.offPage, []);
});

const reasonOf = pageReason;
const listItems = (page) => page.getByRole('list', { name: 'Results' }).locator(':scope > li');

test('a change that makes a success a refusal takes its link away', async () => {
    const page = await browser.page();
    const big = { name: 'Big.dsv', bytes: dsvFile(pattern(1024 * K)) };
    await choose(page, [big], { to: 'raw' });
    assert.equal((await results(page, 1))[0].links.length, 1);

    await page.getByLabel('Convert to').selectOption('j8');
    const [refused] = await results(page, 1);
    assert.equal(refused.text, reasonOf(convertNative(big.name, big.bytes, { to: 'j8' })));
    assert.equal(await page.getByRole('list', { name: 'Results' }).getByRole('link').count(), 0);
    assert.ok(await page.getByRole('button', { name: 'Download all' }).isDisabled());
    await page.close();
});

// How fast is measured by web/bench/hostile.mjs; here a refusal that takes
// many times longer than it should is taken for a hang.
test('hostile files are refused, as the converter refuses them, and never hang the page', async () => {
    const page = await browser.page();
    for (const file of hostileFiles()) {
        const started = Date.now();
        await choose(page, [file]);
        const [shown] = await results(page, 1);
        assert.ok(Date.now() - started < 15000, `${file.name}: ${Date.now() - started} ms`);
        assert.equal(shown.text, reasonOf(convertNative(file.name, file.bytes)), file.name);
        assert.deepEqual(shown.links, []);
    }
    await page.close();
});

// Files on the disk, of the size given (sparse: only their length matters).
function sizedFile(name, size) {
    const path = join(folder, name);
    const descriptor = openSync(path, 'w');
    ftruncateSync(descriptor, size);
    closeSync(descriptor);
    return path;
}

// Games' ROMs chosen with saves: each save at its game's chip, as the
// converter makes it with the ROM beside the save; a ROM with no save listed
// as its game; a ROM of 5 GiB (sparse) read no further than its header,
// which a whole read could not do.
test('a game\'s ROM chosen with its save gives the game\'s chip size', async () => {
    const page = await browser.page();
    const zelda = romHeader('BKIE');
    // Paired whatever the case of the names.
    const rom = sizedFile('zelda.NDS', 5 * K * K * K);
    writeFileSync(rom, zelda, { flag: 'r+' });
    const saves = [
        { name: 'Zelda.sav', bytes: pattern(512 * K) },
        { name: 'Other.nds.sav', bytes: pattern(8 * K) },
    ];
    for (const { name, bytes } of saves) writeFileSync(join(folder, name), bytes);
    writeFileSync(join(folder, 'Lone.nds'), romHeader('12ES'));
    writeFileSync(join(folder, 'junk.nds'), pattern(512));
    await choose(page, [], { to: 'raw' });
    await page.getByLabel('Save files').setInputFiles(
        ['zelda.NDS', 'Zelda.sav', 'Other.nds.sav', 'Lone.nds', 'junk.nds'].map((name) => join(folder, name)));
    const shown = await results(page, 5);
    const beside = convertNativeBatch([saves[0]], { to: 'raw', beside: [{ name: 'Zelda.nds', bytes: zelda }] });
    assert.deepEqual(shown[1].lines, beside.stdout);
    assert.ok(Buffer.from((await download(page, 1)).bytes).equals(Buffer.from(beside.outputs['Zelda.raw.sav'])));
    assert.deepEqual(shown[2].lines, convertNative(saves[1].name, saves[1].bytes, { to: 'raw' }).stdout);
    assert.match(shown[0].text, /^zelda\.NDS: game BKIE: 1 MiB flash/);
    assert.match(shown[3].text, /^Lone\.nds: game 12ES: 64 KiB/);
    assert.match(shown[4].text, /^junk\.nds: not a DS game/);

    // One ROM with one save goes with it, whatever their names.
    const save = { name: 'Mine.nds.sav', bytes: pattern(64 * K, 8 * K) };
    await choose(page, [{ name: 'Rom.nds', bytes: romHeader('A22E') }, save], { to: 'raw' });
    const [, paired] = await results(page, 2);
    assert.deepEqual(paired.lines, convertNativeBatch([save], { to: 'raw', game: 'A22E' }).stdout);
    await page.close();
});

test('a file is refused by its size alone, as the converter refuses it', async () => {
    const page = await browser.page();
    const cases = [
        // One byte too many: refused before it is read.
        { name: 'Huge.dsv', size: largestSaveFile + 1 },
        // The largest file is read, and refused by what it holds.
        { name: 'Largest.dsv', size: largestSaveFile },
    ];
    await page.getByLabel('Save files').setInputFiles(cases.map(({ name, size }) => sizedFile(name, size)));
    const shown = await results(page, cases.length);
    for (const [index, { name, size }] of cases.entries()) {
        const native = convertNative(name, new Uint8Array(size));
        assert.notEqual(native.status, 0);
        assert.equal(shown[index].text, reasonOf(native), name);
        assert.deepEqual(shown[index].links, []);
    }
    await page.close();
});

// A cart's save is read no further than its rule looks, however large the
// file: the bytes past that are counted, not read.
test('a cart save larger than any save converts as the converter converts it', async () => {
    const page = await browser.page();
    const cases = [{ name: 'Large.nds.sav', size: largestSaveFile + 1 }];
    for (const { name, size } of cases) {
        const bytes = new Uint8Array(size);
        bytes.set(pattern(600 * K));
        writeFileSync(join(folder, name), bytes);
        await page.getByLabel('Save files').setInputFiles(join(folder, name));
        const [shown] = await results(page, 1);
        const native = convertNative(name, bytes);
        assert.deepEqual(shown.lines, native.stdout, name);
        assert.ok(Buffer.from((await download(page, 0)).bytes).equals(Buffer.from(native.bytes)), name);
    }
    await page.close();
});

// A file changed or removed after it was chosen is read again when a choice
// changes.
test('a file that can no longer be read says why, and to choose it again', async () => {
    const page = await browser.page();
    const cases = [
        { name: 'Gone.nds.sav', change: (path) => rmSync(path), error: 'NotFoundError' },
        { name: 'Changed.nds.sav', change: (path) => writeFileSync(path, pattern(16 * K)), error: 'NotReadableError' },
    ];
    for (const { name, change, error } of cases) {
        const path = join(folder, name);
        writeFileSync(path, pattern(8 * K));
        await page.getByLabel('Convert to').selectOption('j8');
        await page.getByLabel('Save files').setInputFiles(path);
        assert.equal((await results(page, 1))[0].links.length, 1);
        change(path);
        await page.getByLabel('Convert to').selectOption('raw');
        const [shown] = await results(page, 1);
        assert.match(shown.text, new RegExp(`^${name}: could not be read: .+ \\(${error}\\); choose it again; nothing written$`));
    }
    // A game's ROM gone: it says so, and its save converts without it.
    const rom = join(folder, 'Lost.nds');
    const save = join(folder, 'Lost.sav');
    writeFileSync(rom, romHeader('BKIE'));
    writeFileSync(save, pattern(512 * K));
    await page.getByLabel('Save files').setInputFiles([rom, save]);
    await results(page, 2);
    rmSync(rom);
    await page.getByLabel('Convert to').selectOption('dsv');
    const [lost, converted] = await results(page, 2);
    assert.match(lost.text, /^Lost\.nds: could not be read: .+ \(NotFoundError\); choose it again; nothing written$/);
    assert.deepEqual(converted.warnings, ["its game's ROM, Lost.nds, could not be read (" +
        'it is no longer where it was when chosen (NotFoundError)): converted without its game']);
    await page.close();
});

test('the page words its own refusals', async () => {
    const page = await browser.page();
    const cases = [
        { name: 'notes.txt', choice: {}, reason: 'not named as a save (*.nds.sav, *.dat, *.sav, *.dsv, ' +
            '*.duc, *.dss or *.srm); choose its kind under Read as; nothing written' },
    ];
    for (const { name, choice, reason } of cases) {
        await choose(page, [{ name, bytes: pattern(8 * K) }], choice);
        const [shown] = await results(page, 1);
        assert.equal(shown.text, `${name}: ${reason}`);
        assert.deepEqual(shown.links, []);
    }
    await page.close();
});

// Names as the converter has them: a backslash is part of a name, and a
// control character is shown escaped; a chip size chosen for a bare save
// earlier is set aside for the J8 image, whose size is fixed.
test('names and choices as the converter takes them', async () => {
    const page = await browser.page();
    const cases = [
        { name: 'back\\slash.nds.sav', choice: {} },
        { name: 'tab\tname.nds.sav', choice: {} },
        { name: 'Game.nds.sav', choice: { size: '8K' }, native: {} },
    ];
    for (const { name, choice, native = choice } of cases) {
        const bytes = pattern(8 * K);
        await choose(page, [{ name, bytes }], choice);
        const [shown] = await results(page, 1);
        assert.deepEqual(shown.lines, convertNative(name, bytes, native).stdout, name);
    }
    await page.close();
});

test('files dropped anywhere are converted in the order dropped', async () => {
    const page = await browser.page();
    const files = [
        { name: 'Second.dat', bytes: pattern(257 * K) },
        { name: 'First.nds.sav', bytes: pattern(8 * K) },
        { name: 'notes.txt', bytes: pattern(10) },
    ];
    await page.evaluate((dropped) => {
        const transfer = new DataTransfer();
        for (const { name, bytes } of dropped) transfer.items.add(new File([Uint8Array.from(bytes)], name));
        for (const type of ['dragenter', 'dragover', 'drop']) {
            document.querySelector('h1').dispatchEvent(
                new DragEvent(type, { dataTransfer: transfer, bubbles: true, cancelable: true }));
        }
    }, files.map(({ name, bytes }) => ({ name, bytes: [...bytes] })));
    const shown = await results(page, files.length);
    for (const [index, { name, bytes }] of files.entries()) {
        const native = convertNative(name, bytes);
        if (native.status === 0) assert.deepEqual(shown[index].lines, native.stdout);
        else assert.match(shown[index].text, new RegExp(`^${name}: not named as a save`));
    }
    await page.close();
});

// Names as every system keeps them: two inputs that would give one output
// (in any case) are refused as the converter refuses the second, a file
// chosen twice is tried once, and a name some system cannot keep downloads,
// and is zipped, under one it can, saying so.
test('"Download all" zips every output under a name every system keeps', async () => {
    const page = await browser.page();
    const long = 'L'.repeat(251);
    const files = [
        { name: 'A.nds.sav', bytes: pattern(8 * K) },
        { name: 'A.dat', bytes: pattern(257 * K) },
        { name: 'notes.txt', bytes: pattern(100) },
        { name: 'B.sav', bytes: pattern(256 * K) },
        { name: 'b.sav', bytes: pattern(520 * K, 16) },
        { name: 'a:b*c?.nds.sav', bytes: pattern(512), portable: 'a_b_c_.sav' },
        { name: 'CON.nds.sav', bytes: pattern(512), portable: '_CON.sav' },
        { name: '.nds.sav', bytes: pattern(512), portable: '_.sav' },
        // Its output's name, 258 bytes, is too long for any disk: the
        // converter cannot write it, so its bytes are compared by a short name.
        { name: `${long}.sav`, bytes: pattern(256 * K), portable: `${long}.sav`, output: `${long}.j8.sav`, as: 'L.sav' },
        { name: 'Twice.nds.sav', bytes: pattern(512), time: 1000 },
        { name: 'Twice.nds.sav', bytes: pattern(512), time: 1000 },
        { name: 'Twice.nds.sav', bytes: pattern(512, 1), time: 2000 },
    ];
    await page.evaluate((dropped) => {
        const transfer = new DataTransfer();
        for (const { name, bytes, time } of dropped)
            transfer.items.add(new File([Uint8Array.from(bytes)], name, { lastModified: time ?? 0 }));
        document.body.dispatchEvent(new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }, files.map(({ name, bytes, time }) => ({ name, bytes: [...bytes], time })));
    const shown = await results(page, files.length);
    const clash = (pair) => convertNativeBatch(pair).stderr.at(-1).replace(/^ondrel-convert: /, '');
    assert.equal(shown[1].text, clash(files.slice(0, 2)));
    assert.equal(shown[4].text, clash(files.slice(3, 5)));
    assert.equal(shown[10].text, 'Twice.nds.sav: warning: chosen more than once; tried once');
    assert.equal(shown[11].text,
        'Twice.sav: also the output of Twice.nds.sav; Twice.nds.sav not converted; nothing written');
    for (const [index, { name, bytes, portable, output = convertNative(name, bytes).output }] of files.entries()) {
        if (!portable) continue;
        assert.deepEqual(shown[index].links.map((link) => link.download), [portable], name);
        assert.ok(shown[index].warnings.includes(`downloads as ${portable}: ${output} is not a name every system can keep`),
            shown[index].warnings.join('|'));
    }
    const expected = {
        'A.sav': 'A.nds.sav', 'B.j8.sav': 'B.sav', 'a_b_c_.sav': 'a:b*c?.nds.sav', '_CON.sav': 'CON.nds.sav',
        '_.sav': '.nds.sav', 'Twice.sav': 'Twice.nds.sav', [`${long}.sav`]: `${long}.sav`,
    };
    const zipped = await downloadAll(page);
    assert.deepEqual(Object.keys(zipped).sort(), Object.keys(expected).sort());
    for (const [entry, input] of Object.entries(expected)) {
        const file = files.find(({ name }) => name === input);
        const native = convertNative(file.as ?? input, file.bytes);
        assert.ok(Buffer.from(zipped[entry]).equals(Buffer.from(native.bytes)), entry);
    }
    // Each link gives its own output under the name it shows; its address,
    // made when wanted, is made for every link once the page is idle.
    await page.waitForFunction(() => [...document.querySelectorAll('#results a')].every((a) => a.href.startsWith('blob:')));
    const saved = await download(page, 7);
    assert.equal(saved.name, '_.sav');
    assert.ok(Buffer.from(saved.bytes).equals(Buffer.from(zipped['_.sav'])));
    await page.close();
});

// Choices changed while the zip is made: that zip is never delivered, and a
// second press meanwhile says the zip is under way.
test('"Download all" gives the outputs of the choices shown, never of those left', async () => {
    const page = await browser.page();
    const files = Array.from({ length: 40 }, (_, i) => ({ name: `S${i}.nds.sav`, bytes: pattern(512 * K, i) }));
    const zips = [];
    page.on('download', (saved) => zips.push(saved.path().then((path) => unzipSync(readFileSync(path)))));
    await choose(page, files);
    await results(page, files.length);
    // Pressed twice, then "Convert to" changed once the first output is zipped.
    const pressed = await page.evaluate(() => new Promise((resolve) => {
        const button = document.getElementById('download-all');
        const status = document.getElementById('status');
        const progress = document.getElementById('progress');
        button.click();
        const first = status.textContent;
        button.click();
        const second = status.textContent;
        const label = progress.getAttribute('aria-label');
        new MutationObserver((_, observer) => {
            if (progress.value < 1) return;
            observer.disconnect();
            const target = document.getElementById('target');
            target.value = 'raw';
            target.dispatchEvent(new Event('change'));
            resolve({ first, second, progress: label });
        }).observe(progress, { attributes: true });
    }));
    assert.notEqual(pressed.second, pressed.first);
    assert.equal(pressed.progress, 'Zipping');
    await results(page, files.length);
    // The zip of the choices left is dropped, not awaited.
    const button = page.getByRole('button', { name: 'Download all' });
    assert.equal(await button.getAttribute('aria-busy'), 'false');
    await button.click();
    await page.waitForFunction(() => /ready/.test(document.getElementById('status').textContent));
    await new Promise((resolve) => setTimeout(resolve, 1000));
    assert.equal(zips.length, 1);
    const zipped = await zips[0];
    for (const { name, bytes } of files) {
        const native = convertNative(name, bytes, { to: 'raw' });
        assert.ok(Buffer.from(zipped[native.output]).equals(Buffer.from(native.bytes)), name);
    }
    await page.close();
});

// Faults made to happen inside the workers: a Blob the browser cannot keep,
// a worker that dies, a zip that cannot be kept. Each file still gets its
// answer, and the batch ends.
test('every file ends in its output or its reason, whatever befalls the worker', async () => {
    const files = ['A.nds.sav', 'B.nds.sav', 'C.nds.sav'].map((name) => ({ name, bytes: pattern(8 * K) }));
    const stopped = /^[ABC]\.nds\.sav: the converter stopped \(.*B\.nds\.sav\); nothing written$/;
    const cases = [
        { faults: { unstorable: 'no room' }, shown: Array(3).fill(
            /^[ABC]\.nds\.sav: converted to [ABC]\.sav, but the browser could not keep it \(no room\); nothing written/),
        status: /^0 files converted, 3 not converted/ },
        { faults: { dieOn: 'B.nds.sav' }, shown: [null, stopped, stopped], status: /^1 file converted, 2 not converted/ },
        { faults: { unzippable: 'no room' }, shown: [null, null, null], status: /^3 files converted\.$/,
            zip: /^"Download all" failed: the zip could not be made \(no room\)/ },
        // The first worker dies before it says which files are ROMs: the
        // one in its place is asked, and every file converts.
        { faults: { dieOnNames: true }, once: true, shown: [null, null, null], status: /^3 files converted\.$/ },
    ];
    for (const { faults, once, shown, status, zip } of cases) {
        const page = await browser.page();
        // once: for the first worker started alone.
        await page.addInitScript(({ set, once }) => {
            let given = set;
            Object.defineProperty(globalThis, 'ondrelTestFaults', { get() {
                const faults = given;
                if (once) given = undefined;
                return faults;
            } });
        }, { set: faults, once });
        await page.reload();
        await choose(page, files);
        const listed = await results(page, files.length);
        for (const [index, expected] of shown.entries()) {
            if (expected) assert.match(listed[index].text, expected, files[index].name);
            else assert.deepEqual(listed[index].lines, convertNative(files[index].name, files[index].bytes).stdout);
        }
        await page.waitForFunction(() => !/Converting/.test(document.getElementById('status').textContent));
        assert.match(await page.locator('#status').textContent(), status);
        if (zip) {
            await page.getByRole('button', { name: 'Download all' }).click();
            await page.waitForFunction(() => !/Zipping/.test(document.getElementById('status').textContent));
            assert.match(await page.locator('#status').textContent(), zip);
        }
        await page.close();
    }
});

// The accessible name of what has the keyboard's focus, and whether its
// focus shows.
const focused = (page) => page.evaluate(() => {
    const element = document.activeElement;
    return {
        name: element.labels?.[0]?.textContent ?? element.textContent,
        outline: getComputedStyle(element).outlineStyle,
    };
});

test('everything can be done with the keyboard alone', async () => {
    const page = await browser.page();
    const files = [
        { name: 'Game.nds.sav', bytes: pattern(8 * K) },
        { name: 'Other.dat', bytes: pattern(257 * K) },
    ];
    await page.keyboard.press('Tab');
    assert.equal((await focused(page)).name, 'Save files');
    // Playwright catches the chooser only once the browser was told to: a
    // round trip after asking, before the key, so that it is not missed.
    const choosing = page.waitForEvent('filechooser');
    await page.evaluate(() => 0);
    await page.keyboard.press('Space');
    const chooser = await choosing;
    await chooser.setFiles(files.map(({ name, bytes }) => ({ name, mimeType: 'application/octet-stream',
        buffer: Buffer.from(bytes) })));
    await results(page, files.length);

    for (const name of ['Convert to', 'Chip size', 'Read as']) {
        await page.keyboard.press('Tab');
        const focus = await focused(page);
        assert.equal(focus.name, name);
        assert.notEqual(focus.outline, 'none', `${name}: focus does not show`);
    }
    // Back to "Convert to", and a bare save chosen with the arrow key.
    await page.keyboard.press('Shift+Tab');
    await page.keyboard.press('Shift+Tab');
    await page.keyboard.press('ArrowDown');
    const shown = await results(page, files.length);
    assert.deepEqual(shown[0].lines, convertNative(files[0].name, files[0].bytes, { to: 'raw' }).stdout);

    for (let i = 0; i < 3; ++i) await page.keyboard.press('Tab');
    const focus = await focused(page);
    assert.equal(focus.name, 'Download all');
    assert.notEqual(focus.outline, 'none');
    for (const key of ['Enter', 'Space']) {
        const [saved] = await Promise.all([page.waitForEvent('download'), page.keyboard.press(key)]);
        assert.equal(saved.suggestedFilename(), 'ondrel-saves.zip', key);
        await page.waitForFunction(() => /ready/.test(document.getElementById('status').textContent));
    }
    // New files arriving while "Download all" has the focus leave it there.
    await page.getByLabel('Save files').setInputFiles(files.map(({ name, bytes }) => ({ name,
        mimeType: 'application/octet-stream', buffer: Buffer.from(bytes) })));
    assert.equal((await focused(page)).name, 'Download all');
    await results(page, files.length);
    await page.keyboard.press('Tab');
    const [saved] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Enter')]);
    assert.equal(saved.suggestedFilename(), 'Game.sav');
    assert.deepEqual(await ringClipped(page), []);
    await page.close();
});

// The boxes that cut off the focus ring of what has the focus: those that
// paint nothing outside their padding (content-visibility, paint
// containment, overflow) and whose padding does not hold the ring.
const ringClipped = (page) => page.evaluate(() => {
    const focus = document.activeElement;
    const ring = focus.getBoundingClientRect();
    const { outlineWidth, outlineOffset } = getComputedStyle(focus);
    const reach = parseFloat(outlineWidth) + parseFloat(outlineOffset);
    const clipped = [];
    for (let box = focus.parentElement; box; box = box.parentElement) {
        const style = getComputedStyle(box);
        if (style.contentVisibility !== 'auto' && !/paint|strict|content/.test(style.contain) &&
            style.overflow === 'visible') continue;
        const edge = box.getBoundingClientRect();
        const sides = {
            left: ring.left - reach - (edge.left + parseFloat(style.borderLeftWidth)),
            top: ring.top - reach - (edge.top + parseFloat(style.borderTopWidth)),
            right: edge.right - parseFloat(style.borderRightWidth) - (ring.right + reach),
            bottom: edge.bottom - parseFloat(style.borderBottomWidth) - (ring.bottom + reach),
        };
        for (const [side, room] of Object.entries(sides)) if (room < 0) clipped.push(`${box.className || box.tagName} ${side}`);
    }
    return clipped;
});

// The first view says what each choice is for, and a phone's 320 px hold
// the page without scrolling sideways.
test('the first view explains the choices, readable at 320 px', async () => {
    const page = await browser.page();
    await page.setViewportSize({ width: 320, height: 640 });
    for (const words of ['J8 flash cart', 'bare save or a DeSmuME .dsv', 'chip size', 'Read as'])
        await page.getByText(words, { exact: false }).first().waitFor();
    const [scrolled, seen] = await page.evaluate(
        () => [document.documentElement.scrollWidth, document.documentElement.clientWidth]);
    assert.ok(scrolled <= seen, `${scrolled} px wide in a ${seen} px view`);
    await page.close();
});

test('an accessibility audit finds nothing serious', async () => {
    // The page's policy admits its own scripts only; the audit's is added.
    const audited = await openBrowser({ bypassCSP: true });
    try {
        const page = await audited.page();
        await choose(page, [
            { name: 'Game.nds.sav', bytes: pattern(256 * K) },
            { name: 'Odd.nds.sav', bytes: pattern(1000) },
            { name: 'Lying.dsv', bytes: dsvFile(pattern(8 * K), { padded: 64 * K }) },
        ]);
        await results(page, 3);
        await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
        for (const scheme of ['light', 'dark']) {
            await page.emulateMedia({ colorScheme: scheme });
            const { violations } = await page.evaluate(() => window.axe.run());
            const serious = violations.filter(({ impact }) => impact === 'serious' || impact === 'critical');
            assert.deepEqual(serious.map(({ id, nodes }) => `${id}: ${nodes.map((n) => n.target).join(', ')}`), [],
                scheme);
        }
        assert.deepEqual(audited.offPage, []);
    } finally {
        await audited.close();
    }
});
