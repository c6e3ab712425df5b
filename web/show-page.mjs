// Opens the page in headless Chromium with a few saves made here chosen, as
// a person would see it after choosing them, and saves a picture of it:
//   node web/show-page.mjs PICTURE.png
// scripts/run-web.sh runs this where there is no display.

import { chromium } from 'playwright-core';

import {
    actionReplayDsFile, choose, dsvFile, K, launchOptions, pagePath, pattern, results,
} from './tests/support.mjs';

const picture = process.argv[2];
if (!picture) {
    console.error('usage: node web/show-page.mjs PICTURE.png');
    process.exit(2);
}
const saves = [
    { name: 'Zelda.dsv', bytes: dsvFile(pattern(64 * K)) },
    { name: 'Mario.nds.sav', bytes: pattern(256 * K) },
    { name: 'Slot1.dat', bytes: pattern(257 * K) },
    { name: 'Pokemon.duc', bytes: actionReplayDsFile(pattern(1000)) },
    { name: 'Broken.dsv', bytes: dsvFile(pattern(8 * K), { padded: 64 * K }) },
];

const browser = await chromium.launch(launchOptions);
try {
    const page = await browser.newPage({ viewport: { width: 1000, height: 900 } });
    await page.goto(`file://${pagePath}`);
    await choose(page, saves);
    await results(page, saves.length);
    await page.screenshot({ path: picture, fullPage: true });
} finally {
    await browser.close();
}
