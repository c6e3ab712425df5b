// How long the page takes to refuse each hostile file (a run-length bomb, a
// lying footer), from the choice to the reason listed, in headless
// Chromium: the median of five choices of each. Not a test: the figures
// depend on the machine.
//   node web/bench/hostile.mjs      (after the wasm build)

import { choose, hostileFiles, openBrowser, results } from '../tests/support.mjs';

const browser = await openBrowser();
try {
    const page = await browser.page();
    for (const file of hostileFiles()) {
        const times = [];
        for (let run = 0; run < 5; ++run) {
            const started = Date.now();
            await choose(page, [file]);
            const [shown] = await results(page, 1);
            times.push(Date.now() - started);
            if (shown.links.length) throw new Error(`${file.name} was converted`);
        }
        times.sort((a, b) => a - b);
        console.log(`${file.name}: refused in ${times[2]} ms (median of 5; ${times[0]} to ${times[4]} ms)`);
    }
} finally {
    await browser.close();
}
