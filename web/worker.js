// The page's worker: converts the chosen files with the core and zips the
// outputs, so that the page's own thread only hands over files and shows
// text, and stays responsive through a batch of a thousand. A classic script:
// the page's build puts fflate (self.fflate) and Emscripten's factory
// OndrelCore ahead of it in one Blob.
'use strict';

let corePromise = OndrelCore();
// The newest batch the page asked for; an older one stops at its next file.
let newestBatch = 0;

// The core's C functions take strings as NUL-terminated UTF-8 in its heap.
function withStrings(core, texts, use) {
    const pointers = texts.map((text) => {
        const size = core.lengthBytesUTF8(text) + 1;
        const pointer = core._malloc(size);
        core.stringToUTF8(text, pointer, size);
        return pointer;
    });
    try {
        return use(...pointers);
    } finally {
        pointers.forEach((pointer) => core._free(pointer));
    }
}

// One file through the core: its report and, when converted, the output as
// a Blob, made straight from the core's heap so the page gets a handle, not
// a copy.
function convertBytes(core, bytes, name, choices) {
    const input = core._malloc(Math.max(bytes.length, 1));
    core.HEAPU8.set(bytes, input);
    const result = withStrings(core, [name, choices.target, choices.chipSize, choices.readAs],
        (...texts) => core._ondrel_convert(input, bytes.length, ...texts));
    core._free(input);
    if (!result) throw new Error('out of memory');
    try {
        const answer = JSON.parse(core.UTF8ToString(core._ondrel_result_json(result)));
        if (answer.ok) {
            const start = core._ondrel_result_bytes(result);
            answer.blob = new Blob([core.HEAPU8.subarray(start, start + core._ondrel_result_size(result))]);
        }
        return answer;
    } finally {
        core._ondrel_result_free(result);
    }
}

function refused(reason) {
    return { ok: false, output: '', lines: [], warnings: [], refusal: reason };
}

async function convertFile(file, bytesPromise, choices) {
    let core;
    try {
        core = await corePromise;
        if (file.size > core._ondrel_max_input_size()) {
            return refused(core.UTF8ToString(core._ondrel_too_large_text(file.size)));
        }
        const bytes = await bytesPromise;
        if (!bytes) return refused('could not be read; nothing written');
        return convertBytes(core, bytes, file.name, choices);
    } catch (error) {
        // A core that failed midway may be left inconsistent: the next file
        // gets a fresh one.
        corePromise = OndrelCore();
        return refused(`the converter stopped (${error.message}); nothing written`);
    }
}

// A file's bytes, or null when the browser cannot read it (a folder dropped,
// a file removed since it was chosen). Never asked for a file too large to
// convert.
async function readFile(file) {
    const core = await corePromise;
    if (!file || file.size > core._ondrel_max_input_size()) return null;
    try {
        return new Uint8Array(await file.arrayBuffer());
    } catch {
        return null;
    }
}

async function convertBatch({ batch, files, choices }) {
    newestBatch = batch;
    // The next file is read while this one converts.
    let next = readFile(files[0]);
    for (let index = 0; index < files.length; ++index) {
        if (batch !== newestBatch) return;
        const bytes = next;
        next = readFile(files[index + 1]);
        const answer = await convertFile(files[index], bytes, choices);
        if (batch !== newestBatch) return;
        postMessage({ type: 'result', batch, index, ...answer });
    }
    postMessage({ type: 'done', batch });
}

// Entries of one folder in a zip: a name met again (in any case, for the
// systems whose names ignore it) gets " (2)", " (3)" ... before its last dot.
function uniqueName(name, taken) {
    const dot = name.lastIndexOf('.');
    const stem = dot > 0 ? name.slice(0, dot) : name;
    const suffix = dot > 0 ? name.slice(dot) : '';
    let candidate = name;
    for (let n = 2; taken.has(candidate.toLowerCase()); ++n) candidate = `${stem} (${n})${suffix}`;
    taken.add(candidate.toLowerCase());
    return candidate;
}

async function zipOutputs({ entries }) {
    const chunks = [];
    const zip = new fflate.Zip((error, chunk) => {
        if (error) throw error;
        chunks.push(chunk);
    });
    const taken = new Set();
    for (let index = 0; index < entries.length; ++index) {
        const { name, blob } = entries[index];
        const entry = new fflate.ZipDeflate(uniqueName(name, taken), { level: 6 });
        zip.add(entry);
        entry.push(new Uint8Array(await blob.arrayBuffer()), true);
        postMessage({ type: 'zip-progress', done: index + 1 });
    }
    zip.end();
    postMessage({ type: 'zipped', blob: new Blob(chunks, { type: 'application/zip' }) });
}

self.onmessage = ({ data }) => {
    if (data.type === 'convert') convertBatch(data);
    if (data.type === 'zip') {
        zipOutputs(data).catch((error) => postMessage({ type: 'zip-failed', message: error.message }));
    }
};
