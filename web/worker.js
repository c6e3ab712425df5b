// The page's workers: each converts its share of the chosen files with the
// core and makes each output a Blob; the first also zips the outputs of all.
// The page's own thread only hands over files and shows text, and stays
// responsive through a batch of a thousand. Making Blobs is the slowest step
// of a batch, and the browser does it faster for two threads than for one.
// (Their addresses are the page's to make: Chromium will not download from an
// address a worker made for a page opened as a file.) A classic script: the
// page's build puts fflate (self.fflate) and Emscripten's factory OndrelCore
// ahead of it in one Blob.
'use strict';

let corePromise = OndrelCore();
// Files read ahead of the one converting: reading is the browser's work,
// which goes on while the core converts.
const kReadAhead = 4;
// A run of 0xFF at an output's end that is this long or longer is not copied
// out: the output's Blob refers to a shared Blob of blank bytes instead.
// Making Blobs is the slowest step of a batch, and its cost grows with the
// bytes copied; erased flash and padding fill much of most outputs.
const kSharedBlankRun = 64 * 1024;
let blank = new Blob([]);
// Runs of blank bytes by their length: outputs of one kind of save end in
// runs of one length, and each new Blob costs the browser alike.
let blankRuns = new Map();

// The batch the page asked for last: this worker's share of its files, each
// with its place in the batch (arriving ten at a time), and the outputs made
// so far.
let current = { id: 0, files: [], complete: true, outputs: [] };
// The first worker's ports to the others, which hand it their outputs to zip.
const others = [];

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

// The bytes as a Blob, a long run of 0xFF at their end taken from the shared
// blank Blob.
function blobOf(heap, start, size) {
    let end = start + size;
    // Byte by byte up to a word's boundary, then word by word, then the rest.
    while (end > start && (end & 3) !== 0 && heap[end - 1] === 0xff) --end;
    if ((end & 3) === 0) {
        const words = new Uint32Array(heap.buffer, 0, end >>> 2);
        while (end >= start + 4 && words[(end >>> 2) - 1] === 0xffffffff) end -= 4;
    }
    while (end > start && heap[end - 1] === 0xff) --end;
    const run = start + size - end;
    if (run < kSharedBlankRun) return new Blob([heap.subarray(start, start + size)]);
    if (blank.size < run) {
        blank = new Blob([new Uint8Array(Math.max(run, 2 * blank.size)).fill(0xff)]);
        blankRuns = new Map();
    }
    if (!blankRuns.has(run)) blankRuns.set(run, blank.slice(0, run));
    return new Blob([heap.subarray(start, end), blankRuns.get(run)]);
}

// One file through the core: its report and, when converted, the output.
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
            answer.blob = blobOf(core.HEAPU8, core._ondrel_result_bytes(result), core._ondrel_result_size(result));
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
    try {
        const core = await corePromise;
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
    if (file.size > core._ondrel_max_input_size()) return null;
    try {
        return new Uint8Array(await file.arrayBuffer());
    } catch {
        return null;
    }
}

async function convertBatch(batch) {
    const reads = [];
    for (let index = 0; batch === current; ++index) {
        while (reads.length < Math.min(index + 1 + kReadAhead, batch.files.length)) {
            reads.push(readFile(batch.files[reads.length].file));
        }
        if (index === batch.files.length) {
            if (batch.complete) break;
            await new Promise((resolve) => { batch.wake = resolve; });
            --index;
            continue;
        }
        const { file, place } = batch.files[index];
        const answer = await convertFile(file, reads[index], batch.choices);
        reads[index] = null;
        if (batch !== current) return;
        if (answer.blob) batch.outputs.push({ place, name: answer.output, blob: answer.blob });
        postMessage({ type: 'result', batch: batch.id, index: place, ...answer });
    }
}

// The page sends a batch's files ten at a time, to each worker in turn; first
// is the place in the batch of the first of them.
function takeFiles({ batch: id, files, first, choices, last }) {
    if (id < current.id) return;
    if (id > current.id) {
        current = { id, files: [], complete: false, outputs: [], choices };
        convertBatch(current);
    }
    current.files.push(...files.map((file, i) => ({ file, place: first + i })));
    current.complete = last;
    current.wake?.();
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

// This worker's outputs of the batch, for the first worker to zip.
function outputsOf(id) {
    return id === current.id ? current.outputs : [];
}

// Every output of the batch, this worker's and the others', in the order of
// the files, as one zip.
async function zipOutputs({ batch: id }) {
    const shares = await Promise.all(others.map((port) => new Promise((resolve) => {
        port.onmessage = ({ data }) => resolve(data);
        port.postMessage(id);
    })));
    const outputs = [...outputsOf(id), ...shares.flat()].sort((a, b) => a.place - b.place);
    const chunks = [];
    const zip = new fflate.Zip((error, chunk) => {
        if (error) throw error;
        chunks.push(chunk);
    });
    const taken = new Set();
    for (let index = 0; index < outputs.length; ++index) {
        const { name, blob } = outputs[index];
        const entry = new fflate.ZipDeflate(uniqueName(name, taken), { level: 6 });
        zip.add(entry);
        entry.push(new Uint8Array(await blob.arrayBuffer()), true);
        postMessage({ type: 'zip-progress', done: index + 1, total: outputs.length });
    }
    zip.end();
    postMessage({ type: 'zipped', blob: new Blob(chunks, { type: 'application/zip' }) });
}

self.onmessage = ({ data, ports }) => {
    if (data.type === 'files') takeFiles(data);
    if (data.type === 'zip') {
        zipOutputs(data).catch((error) => postMessage({ type: 'zip-failed', message: error.message }));
    }
    // A port between the first worker and another one.
    if (data.type === 'zipper') others.push(ports[0]);
    if (data.type === 'share') ports[0].onmessage = ({ data: id }) => ports[0].postMessage(outputsOf(id));
};
