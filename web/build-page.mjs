// Makes the page one file that works offline, opened from the disk:
//   node web/build-page.mjs --core ondrel-core.js --out ondrel.html
// The worker's script (fflate, the core as Emscripten's factory with the wasm
// inside, worker.js) goes into the page as text, and the page starts it from
// a Blob. The page's policy allows inline code by its hash and nothing from
// anywhere else, so the browser itself keeps it off the network.

import { createHash } from 'node:crypto';
import { readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

const here = dirname(fileURLToPath(import.meta.url));
const { values: args } = parseArgs({ options: { core: { type: 'string' }, out: { type: 'string' } } });
if (!args.core || !args.out) {
    console.error('usage: node build-page.mjs --core ONDREL-CORE.JS --out PAGE.HTML');
    process.exit(2);
}

const read = (path) => readFileSync(path, 'utf8');
const fflateFolder = join(here, '..', 'node_modules', 'fflate');
let fflate;
try {
    fflate = `/*! fflate, ${read(join(fflateFolder, 'LICENSE')).trim()} */\n` +
        read(join(fflateFolder, 'umd', 'index.js'));
} catch {
    console.error(`fflate is missing (${fflateFolder}): run npm ci at the top of the checkout, ` +
        'or scripts/setup.sh web');
    process.exit(1);
}

// Text inside a <script> element ends at the first "</script"; the code has
// none but inside strings, where "<\/" means the same.
function scriptText(code, what) {
    const text = code.replace(/<\/(script)/gi, '<\\/$1');
    if (/<!--|<script/i.test(text)) throw new Error(`${what} holds markup that would end its <script>`);
    return text;
}

const workerSource = scriptText(
    [fflate, read(args.core), read(join(here, 'worker.js'))].join('\n;\n'), 'the worker');
const script = scriptText(read(join(here, 'page.mjs')), 'page.mjs');
const style = read(join(here, 'page.css'));
const sha256 = (text) => `'sha256-${createHash('sha256').update(text).digest('base64')}'`;
// 'wasm-unsafe-eval' lets the worker compile the core; blob: is the worker
// itself and the outputs' links.
const policy = [
    "default-src 'none'",
    `script-src ${sha256(script)} 'wasm-unsafe-eval' blob:`,
    'worker-src blob:',
    `style-src ${sha256(style)}`,
    "base-uri 'none'",
    "form-action 'none'",
].join('; ');

// The notices every copy must carry, shown at the page's foot.
const escaped = (text) => text.trim().replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
const licences = {
    '@LICENCE@': join(here, '..', 'LICENSE'),
    '@CHIP_LIST_LICENCE@': join(here, '..', 'core', 'data', 'LICENSE-ds-save-chips.txt'),
    '@FFLATE_LICENCE@': join(fflateFolder, 'LICENSE'),
};

let page = read(join(here, 'page.html'));
for (const [mark, path] of Object.entries(licences)) page = page.replace(mark, () => escaped(read(path)));
page = page
    .replace('@CSP@', policy)
    .replace('@STYLE@', () => style)
    .replace('@WORKER@', () => workerSource)
    .replace('@SCRIPT@', () => script);
writeFileSync(args.out, page);
console.log(`${args.out}: ${Buffer.byteLength(page)} bytes`);
