// The page as people use it: refusals that take earlier links away, files
// refused by their size alone, files dropped, "Download all" with names that
// collide, the keyboard alone, and an accessibility audit.

import assert from 'node:assert/strict';
import { closeSync, mkdtempSync, openSync, rmSync, ftruncateSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import {
    choose, convertNative, download, downloadAll, dsvFile, hostileFiles, K, openBrowser, pageReason, pattern,
    results,
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

test('the page words its own refusals', async () => {
    const page = await browser.page();
    const cases = [
        { name: 'notes.txt', choice: {}, reason: 'not named as a save (*.nds.sav, *.dat, *.sav, *.dsv, ' +
            '*.duc or *.dss); choose its kind under Read as; nothing written' },
        { name: 'Game.nds.sav', choice: { size: '8K' },
            reason: 'a J8 save is 512 KiB; a chip size is for a bare save or a .dsv' },
    ];
    for (const { name, choice, reason } of cases) {
        await choose(page, [{ name, bytes: pattern(8 * K) }], choice);
        const [shown] = await results(page, 1);
        assert.equal(shown.text, `${name}: ${reason}`);
        assert.deepEqual(shown.links, []);
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

test('"Download all" zips every output, names that collide made unique', async () => {
    const page = await browser.page();
    const files = [
        { name: 'A.nds.sav', bytes: pattern(8 * K) },
        { name: 'A.dat', bytes: pattern(257 * K) },
        { name: 'notes.txt', bytes: pattern(100) },
        { name: 'B.sav', bytes: pattern(256 * K) },
        { name: 'b.sav', bytes: pattern(520 * K, 16) },
    ];
    await choose(page, files);
    await results(page, files.length);
    const expected = {
        'A.sav': 'A.nds.sav', 'A (2).sav': 'A.dat', 'B.j8.sav': 'B.sav', 'b.j8 (2).sav': 'b.sav',
    };
    const zipped = await downloadAll(page);
    assert.deepEqual(Object.keys(zipped).sort(), Object.keys(expected).sort());
    for (const [entry, input] of Object.entries(expected)) {
        const native = convertNative(input, files.find(({ name }) => name === input).bytes);
        assert.ok(Buffer.from(zipped[entry]).equals(Buffer.from(native.bytes)), entry);
    }
    // Each link gives its own output under the converter's name.
    const saved = await download(page, 1);
    assert.equal(saved.name, 'A.sav');
    assert.ok(Buffer.from(saved.bytes).equals(Buffer.from(zipped['A (2).sav'])));
    await page.close();
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
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.keyboard.press('Space')]);
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
    await page.keyboard.press('Tab');
    const [saved] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Enter')]);
    assert.equal(saved.suggestedFilename(), 'Game.sav');
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
