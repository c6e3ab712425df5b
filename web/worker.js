// The page's workers: each converts its share of the chosen files with the
// core and makes each output a Blob; the first also zips the outputs the page
// hands it. The page's own thread only hands over files and shows text, and
// stays responsive through a batch of a thousand. Making Blobs is the slowest
// step of a batch, and the browser does it faster for two threads than for
// one. (Their addresses are the page's to make: Chromium will not download
// from an address a worker made for a page opened as a file.) A classic
// script: the page's build puts fflate (self.fflate) and Emscripten's factory
// OndrelCore ahead of it in one Blob.
//
// Every message to and from the page carries its batch: what arrives for a
// batch the page has left is dropped, and a newer batch ends the work of the
// older one here.
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
// with its place in the batch (arriving ten at a time).
let current = { id: 0, files: [], complete: true };
// The zip asked for last; an older one stops.
let currentZip = 0;
// Faults the page's tests make happen (a Blob the browser cannot keep, a
// worker that dies); none in use.
let faults = {};

// What went wrong, in the words it came with.
function described(error) {
    if (error instanceof Error || error instanceof DOMException) return error.message || error.name;
    return String(error);
}

// Memory from the core's heap; none left is an error of its own.
class OutOfMemory extends Error {}
function allocated(core, size) {
    const pointer = core._malloc(size);
    if (!pointer) throw new OutOfMemory('out of memory');
    return pointer;
}

// The core's C functions take strings as NUL-terminated UTF-8 in its heap.
function withStrings(core, texts, use) {
    const pointers = [];
    try {
        for (const text of texts) {
            const size = core.lengthBytesUTF8(text) + 1;
            pointers.push(allocated(core, size));
            core.stringToUTF8(text, pointers.at(-1), size);
        }
        return use(...pointers);
    } finally {
        pointers.forEach((pointer) => core._free(pointer));
    }
}

// The bytes as a Blob, a long run of 0xFF at their end taken from the shared
// blank Blob.
function blobOf(heap, start, size) {
    if (faults.unstorable) throw new Error(faults.unstorable);
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

// Whether the browser kept the Blob's bytes: where it keeps Blobs in memory
// (a private window) one it has no room for is made all the same, and fails
// only when read. Its length, and its first byte read back (a Blob the
// browser could not store fails whatever part is read). A read costs half a
// millisecond, a sixth of a batch of a thousand small outputs, so it is
// left out where the browser has room for certain: Chromium kept about
// 2 GiB of outputs in a private window before the first failed.
const kSurelyKept = 256 * 1024 * 1024;
const kAlwaysChecked = 1024 * 1024;
async function checkStored(blob, size, keptBefore = Infinity) {
    if (blob.size !== size) throw new Error(`${blob.size} of ${size} bytes kept`);
    if (size > 0 && (size >= kAlwaysChecked || keptBefore + size > kSurelyKept)) {
        await blob.slice(0, 1).arrayBuffer();
    }
}

// Bytes copied into the core's heap for the length of use.
function withBytes(core, bytes, use) {
    const pointer = allocated(core, Math.max(bytes.length, 1));
    try {
        core.HEAPU8.set(bytes, pointer);
        return use(pointer);
    } finally {
        core._free(pointer);
    }
}

// One file's first bytes through the core, with its game's ROM header if
// one was chosen with it: its report and, when converted, the output and
// its size.
function convertBytes(core, bytes, size, name, choices, rom) {
    // A ROM the browser could not read names no game: it is said below, and
    // the save converts as if no ROM were chosen.
    const header = rom?.bytes ?? new Uint8Array(0);
    const romName = rom?.bytes ? rom.name : '';
    const result = withBytes(core, bytes, (input) => withBytes(core, header, (head) =>
        withStrings(core, [name, choices.target, choices.chipSize, choices.readAs, romName],
            (file, target, chipSize, readAs, romFile) => core._ondrel_convert_part(input, bytes.length, size,
                file, target, chipSize, readAs, head, header.length, romFile))));
    if (!result) throw new OutOfMemory('out of memory');
    try {
        const answer = JSON.parse(core.UTF8ToString(core._ondrel_result_json(result)));
        if (answer.ok) {
            const bytesOut = core._ondrel_result_size(result);
            try {
                answer.blob = blobOf(core.HEAPU8, core._ondrel_result_bytes(result), bytesOut);
                answer.size = bytesOut;
            } catch (error) {
                answer.unstored = described(error);
            }
        }
        if (rom?.error) {
            answer.warnings.push(`its game's ROM, ${rom.name}, could not be read (${rom.error}): ` +
                'converted without its game');
        }
        return answer;
    } finally {
        core._ondrel_result_free(result);
    }
}

// A game's ROM chosen on its own: the game its header names, or why it
// names none.
function gameOf(core, header, name) {
    return JSON.parse(withBytes(core, header, (head) => withStrings(core, [name],
        (text) => core.UTF8ToString(core._ondrel_game_json(head, header.length, text)))));
}

function refused(reason) {
    return { ok: false, output: '', lines: [], warnings: [], refusal: reason };
}

// The core's words for a conversion that found no memory.
function outOfMemory(core) {
    return core._ondrel_out_of_memory_text
        ? core.UTF8ToString(core._ondrel_out_of_memory_text())
        : 'the converter stopped (out of memory); nothing written';
}

async function convertFile({ file, game }, bytesPromise, choices) {
    let core;
    try {
        core = await corePromise;
        const read = await bytesPromise;
        if (read.failed) throw read.failed;
        if (read.error) {
            return { ...refused(`could not be read: ${read.error}; choose it again; nothing written`), game };
        }
        if (game) return gameOf(core, read.bytes, file.name);
        return convertBytes(core, read.bytes, file.size, file.name, choices, read.rom);
    } catch (error) {
        // A core that failed midway may be left inconsistent: the next file
        // gets a fresh one.
        corePromise = OndrelCore();
        if (error instanceof OutOfMemory && core) return refused(outOfMemory(core));
        return refused(`the converter stopped (${described(error)}); nothing written`);
    }
}

// A file's first bytes, as many as a conversion with these choices looks at
// (the whole of most files, the front of a cart's), or why the browser cannot
// read it (a folder dropped, a file changed or removed since it was chosen).
async function readFile(file, choices) {
    const core = await corePromise;
    const bound = withStrings(core, [file.name, choices.target, choices.chipSize, choices.readAs],
        (...texts) => core._ondrel_input_bound(...texts, file.size));
    return readBytes(file, Math.min(file.size, bound));
}

async function readBytes(file, count) {
    try {
        return { bytes: new Uint8Array(await file.slice(0, count).arrayBuffer()) };
    } catch (error) {
        return { error: `${unreadableWords[error.name] ?? described(error)} (${error.name})` };
    }
}

// What a file of the batch needs read: a game's ROM its header alone (a ROM
// of 512 MiB costs no more than a small one), a save its bytes and its
// ROM's header.
async function readEntry({ file, game, rom }, choices) {
    const core = await corePromise;
    const headerSize = core._ondrel_rom_header_size();
    if (game) return readBytes(file, headerSize);
    const [read, header] = await Promise.all([readFile(file, choices), rom && readBytes(rom, headerSize)]);
    return header ? { ...read, rom: { name: rom.name, ...header } } : read;
}
// The browser's reasons for a file it can no longer read, in plain words.
const unreadableWords = {
    NotFoundError: 'it is no longer where it was when chosen',
    NotReadableError: 'it changed, or may no longer be read, since it was chosen',
};

// The answer for the page, once its Blob is known to be kept: a Blob the
// browser could not keep is no output. kept: the bytes of the batch's
// outputs made before it.
async function answered(answer, kept) {
    if (answer.blob) {
        try {
            await checkStored(answer.blob, answer.size, kept);
        } catch (error) {
            answer.unstored = described(error);
        }
    }
    if (!answer.unstored) return answer;
    return refused(`converted to ${answer.output}, but the browser could not keep it (${answer.unstored}); ` +
        'nothing written; convert fewer files at once, or in a window that is not private');
}

// Every file handed over ends in an answer, whatever happened to it.
function post(batch, place, answer) {
    if (batch !== current) return;
    try {
        postMessage({ type: 'result', batch: batch.id, index: place, ...answer });
    } catch (error) {
        postMessage({ type: 'result', batch: batch.id, index: place,
            ...refused(`the converter stopped (${described(error)}); nothing written`) });
    }
}

async function convertBatch(batch) {
    const reads = [];
    let posted;
    for (let index = 0; batch === current; ++index) {
        while (reads.length < Math.min(index + 1 + kReadAhead, batch.files.length)) {
            const read = readEntry(batch.files[reads.length], batch.choices)
                .catch((error) => ({ failed: error }));
            reads.push(read);
        }
        if (index === batch.files.length) {
            if (batch.complete) break;
            await new Promise((resolve) => { batch.wake = resolve; });
            --index;
            continue;
        }
        const { file, place } = batch.files[index];
        if (faults.dieOn === file.name) {
            await posted;
            setTimeout(() => { throw new Error(faults.dieOn); });
            await new Promise(() => {});
        }
        const answer = await convertFile(batch.files[index], reads[index], batch.choices);
        reads[index] = null;
        if (batch !== current) return;
        // The check reads the Blob back while the next file converts.
        posted = answered(answer, batch.kept).then((checked) => post(batch, place, checked));
        batch.kept += answer.size ?? 0;
    }
}

// The page sends a batch's files ten at a time, to each worker in turn, each
// with its place in the batch.
function takeFiles({ batch: id, files, places, games, roms, choices, last }) {
    if (id < current.id) return;
    if (id > current.id) {
        current = { id, files: [], complete: false, choices, kept: 0 };
        currentZip = 0;
        convertBatch(current);
    }
    current.files.push(...files.map((file, i) => ({ file, place: places[i], game: games[i], rom: roms[i] })));
    current.complete = last;
    current.wake?.();
}

// The outputs the page lists, in its order, as one zip; it stops when the
// page leaves the batch or asks for another zip. Their names are already
// ones every system keeps, and no two alike in any case.
async function zipOutputs({ batch: id, zip: zipId, outputs }) {
    currentZip = zipId;
    const stale = () => id !== current.id || zipId !== currentZip;
    const chunks = [];
    let failure = null;
    const zip = new fflate.Zip((error, chunk) => {
        if (error) failure = error;
        else chunks.push(chunk);
    });
    for (let index = 0; index < outputs.length; ++index) {
        const { name, blob } = outputs[index];
        const entry = new fflate.ZipDeflate(name, { level: 6 });
        zip.add(entry);
        entry.push(new Uint8Array(await blob.arrayBuffer()), true);
        if (stale()) return;
        if (failure) throw failure;
        postMessage({ type: 'zip-progress', batch: id, zip: zipId, done: index + 1, total: outputs.length });
    }
    zip.end();
    if (failure) throw failure;
    if (faults.unzippable) throw new Error(faults.unzippable);
    const size = chunks.reduce((sum, chunk) => sum + chunk.length, 0);
    const blob = new Blob(chunks, { type: 'application/zip' });
    await checkStored(blob, size);
    if (!stale()) postMessage({ type: 'zipped', batch: id, zip: zipId, blob });
}

// Which of the batch's files are games' ROMs, and the name each file pairs
// by, as the core has them.
async function answerNames({ batch: id, names }) {
    const core = await corePromise;
    const roles = names.map((name) => JSON.parse(
        withStrings(core, [name], (text) => core.UTF8ToString(core._ondrel_file_role(text)))));
    postMessage({ type: 'roles', batch: id, roles });
}

self.onmessage = ({ data }) => {
    if (data.type === 'faults') faults = data.faults;
    if (data.type === 'names' && faults.dieOnNames) {
        setTimeout(() => { throw new Error('died before naming the files'); });
    } else if (data.type === 'names') {
        // Without the core no file is a ROM: each file then fails on its own.
        answerNames(data).catch(() => postMessage({ type: 'roles', batch: data.batch, roles: data.names.map(() => ({})) }));
    }
    if (data.type === 'files') takeFiles(data);
    if (data.type === 'zip' && data.batch >= current.id) {
        zipOutputs(data).catch((error) => postMessage(
            { type: 'zip-failed', batch: data.batch, zip: data.zip, message: described(error) }));
    }
};
