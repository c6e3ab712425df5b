// The page converts as the native converter does: for every file of the
// table under every choice, the same output name and bytes, the same report
// lines and warnings, or the same reason for writing nothing.

import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import {
    actionReplayDsFile, actionReplayDsiFile, choose, concat, convertNative, download, downloadAll, dsvFile, K,
    nocashPackedFile, nocashStoredFile, openBrowser, pageReason, pattern, results,
} from './support.mjs';

// A copy of 3, a short repeat of 5 and a long one of 300: 308 bytes, which
// is no chip's size.
const runs = Uint8Array.of(3, 1, 2, 3, 0x85, 7, 0x80, 9, 0x2c, 0x01, 0x00);

const files = [
    { name: 'Game.nds.sav', bytes: pattern(256 * K) },
    { name: 'Tiny.nds.sav', bytes: pattern(512) },
    { name: 'Odd.nds.sav', bytes: pattern(1000) },
    { name: 'Empty.nds.sav', bytes: new Uint8Array(0) },
    { name: 'M3.dat', bytes: pattern(257 * K) },
    { name: 'Link.sav', bytes: pattern(520 * K, 16) },
    { name: 'Ez.SAV', bytes: pattern(256 * K, 16) },
    { name: 'Long.sav', bytes: pattern(540000, 16) },
    { name: 'J8.sav', bytes: concat(pattern(8 * K), new Uint8Array(504 * K).fill(0xff)) },
    { name: 'Emu.dsv', bytes: dsvFile(pattern(8 * K)) },
    { name: 'Big.dsv', bytes: dsvFile(pattern(1024 * K)) },
    { name: 'Lying.dsv', bytes: dsvFile(pattern(8 * K), { padded: 64 * K }) },
    { name: 'Ar.duc', bytes: actionReplayDsFile(pattern(8 * K)) },
    { name: 'Dsi.dss', bytes: actionReplayDsiFile(pattern(8 * K), 8 * K) },
    { name: 'Stored.sav', bytes: nocashStoredFile(pattern(8 * K)) },
    { name: 'Packed.sav', bytes: nocashPackedFile(runs, 11, 308) },
    { name: 'Tagged.sav', bytes: dsvFile(pattern(32 * K)) },
    { name: 'Trailing.sav', bytes: concat(nocashStoredFile(pattern(4 * K)), pattern(100)) },
    { name: 'M3Data.dat', bytes: concat(pattern(256 * K), pattern(K)) },
    { name: 'backup.bin', bytes: pattern(8 * K) },
    { name: 'ポケモン.dsv', bytes: dsvFile(pattern(64 * K)) },
    { name: 'Fresh.nds.sav', bytes: new Uint8Array(64 * K).fill(0xff) },
    { name: 'Retro.srm', bytes: pattern(8 * K) },
];

const choices = [
    { to: 'j8' },
    { to: 'raw' },
    { to: 'dsv' },
    { to: 'raw', size: '8K' },
    { to: 'dsv', size: '1M' },
    { to: 'j8', kind: 'raw' },
    { to: 'raw', kind: 'sav' },
    { to: 'dsv', kind: 'nds-sav' },
    { to: 'raw', size: '8K', kind: 'raw' },
];

let browser;
before(async () => {
    browser = await openBrowser();
});
after(async () => {
    await browser?.close();
});

for (const choice of choices) {
    test(`as the converter with ${JSON.stringify(choice)}`, async () => {
        const page = await browser.page();
        await choose(page, files, choice);
        const shown = await results(page, files.length);
        const outputs = new Map();
        for (const [index, { name, bytes }] of files.entries()) {
            const native = convertNative(name, bytes, choice);
            const item = shown[index];
            const about = `${name} with ${JSON.stringify(choice)}`;
            if (native.status !== 0) {
                const reason = pageReason(native);
                assert.equal(item.text, reason, about);
                assert.deepEqual(item.links, [], about);
                continue;
            }
            assert.deepEqual(item.lines, native.stdout, about);
            assert.deepEqual(item.warnings,
                native.stderr.map((line) => line.replace(`ondrel-convert: ${name}: warning: `, '')), about);
            assert.deepEqual(item.links.map((link) => link.download), [native.output], about);
            outputs.set(native.output, native.bytes);
        }
        // The bytes, all at once: Chromium drops a download asked for within
        // a second of ten others, so one link after another would not do.
        assert.ok(outputs.size > 0, 'every file refused: the choice tests nothing');
        // One link's own download, as a user clicks it.
        const first = shown.findIndex((item) => item.links.length > 0);
        const saved = await download(page, first);
        assert.equal(saved.name, shown[first].links[0].download);
        assert.ok(Buffer.from(saved.bytes).equals(Buffer.from(outputs.get(saved.name))));
        const zipped = await downloadAll(page);
        assert.deepEqual(Object.keys(zipped).sort(), [...outputs.keys()].sort());
        for (const [name, bytes] of outputs) {
            assert.ok(Buffer.from(zipped[name]).equals(Buffer.from(bytes)), `${name}: bytes differ`);
        }
        await page.close();
        assert.deepEqual(browser.errors, []);
        assert.deepEqual(browser.offPage, []);
    });
}
