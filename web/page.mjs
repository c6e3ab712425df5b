// The page: hands the chosen files and choices to the workers and shows what
// comes back. It knows no save format; every output name, report line and
// reason of one file comes from the core, in the workers. It words only what
// lies between files: two that would give one output, one chosen twice.

const $ = (id) => document.getElementById(id);
const input = $('files');
const choiceFields = { target: $('target'), chipSize: $('chip-size'), readAs: $('read-as') };
const downloadAll = $('download-all');
const progress = $('progress');
const status = $('status');
const list = $('results');

// From a Blob, so that the page works opened as a file, with no request.
// Two workers share each batch; the first also makes the zip.
const workerUrl = URL.createObjectURL(new Blob([$('ondrel-worker').textContent], { type: 'text/javascript' }));
// A worker that has given no answer for this long while it has work is
// taken for dead.
const kSilence = 30000;
// A worker that dies is started again, this many times a batch at most.
const kRestarts = 3;
const workers = [0, 1].map(startWorker);

let chosen = [];      // the files, in the order chosen
let outputNames = new Map();  // output names given in this batch, folded, to the input that has each
let batch = 0;        // the conversion under way; answers for older ones are dropped
let items = [];       // per file: its result once it came, its worker, its output and link's address
let shown = 0;        // results shown of this batch: the first ones, in order
let showing = false;  // a frame is asked for to show more
let converting = false;
let zipping = false;
let zip = 0;          // the zip asked for last; answers for older ones are dropped
let zipUrl = '';
let restarts = 0;     // workers started again in this batch
let roles = null;     // per file of the batch: a game's ROM or a save, and the name they pair by
let unsent = null;    // the batch's files, looked up, wait for their roles: its choices

function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
}

// An item of the list: its content in a box of its own, which is laid out
// only when seen, so that the item's number still shows.
function listItem(className, ...content) {
    const li = element('li', className);
    li.append(element('div', 'result'));
    li.firstChild.append(...content);
    return li;
}

// The button is only marked disabled, never made so: a disabled button
// would drop the keyboard's focus to the page's body, as new files arrive or
// while a zip is made (it says it is busy; a press then says so).
function updateDownloadAll() {
    downloadAll.setAttribute('aria-disabled', String(converting || !items.some((item) => item.blob)));
    downloadAll.setAttribute('aria-busy', String(zipping));
    progress.setAttribute('aria-label', zipping ? 'Zipping' : 'Converting');
}

function plural(count, word) {
    return `${count} ${word}${count === 1 ? '' : 's'}`;
}

// Hands the files to the workers, ten at a time in turn. Before a File can
// be handed over the browser looks the file up, which only this thread can
// ask, a fifth of a millisecond a file while the browser is idle and several
// times that while it makes outputs; so every file is looked up first, a few
// milliseconds at a time, and then all are handed over at once, which costs
// next to nothing. Each worker gets at least one message, so that it lets go
// of its outputs of the batch before.
const kFilesPerMessage = 10;
function sendFiles(id, choices, looked = 0) {
    if (id !== batch) return;
    for (const until = performance.now() + 8; looked < chosen.length; ++looked) {
        if (performance.now() > until) {
            setTimeout(sendFiles, 0, id, choices, looked);
            return;
        }
        markIfRepeat(looked);
    }
    if (!roles) {
        unsent = choices;
        return;
    }
    pairGames();
    const sent = [...chosen.keys()].filter((index) => items[index].first === undefined);
    const messages = Math.max(Math.ceil(sent.length / kFilesPerMessage), workers.length);
    for (let message = 0; message < messages; ++message) {
        const places = sent.slice(message * kFilesPerMessage, (message + 1) * kFilesPerMessage);
        const slot = workers[message % workers.length];
        for (const index of places) items[index].slot = slot;
        slot.heard = performance.now();
        slot.worker.postMessage({
            type: 'files', batch: id, choices, places, files: places.map((index) => chosen[index]),
            games: places.map((index) => Boolean(items[index].game)),
            roms: places.map((index) => items[index].rom ?? null),
            last: message + workers.length >= messages,
        });
    }
}

// Games' ROMs chosen with their saves: a save takes the ROM of its name
// (Game.nds for Game.sav, Game.nds.sav, Game.dat ...), and one ROM chosen
// with one save goes with it whatever their names. Which file is a ROM, and
// the name each pairs by, the core says (roles, from the first worker).
function pairGames() {
    const roms = [];
    const saves = [];
    chosen.forEach((_, index) => {
        if (items[index].first === undefined) (roles[index].rom ? roms : saves).push(index);
    });
    // Names are compared in any case: "Zelda.NDS" goes with "zelda.sav".
    const stem = (index) => roles[index].stem?.toLowerCase();
    const romOf = new Map();
    for (const index of roms) {
        items[index].game = true;
        if (!romOf.has(stem(index))) romOf.set(stem(index), index);
    }
    for (const index of saves) {
        const rom = roms.length === 1 && saves.length === 1 ? roms[0] : romOf.get(stem(index));
        if (rom !== undefined) items[index].rom = chosen[rom];
    }
}

// The same file chosen twice (from one folder dropped twice, say) is
// converted once: a file is known by its name, size and time, which are
// asked as the file is looked up.
let firsts = new Map();  // of the batch's files, by name, size and time: the first's place
function markIfRepeat(index) {
    const file = chosen[index];
    const key = `${file.name}\0${file.size}\0${file.lastModified}`;
    if (!firsts.has(key)) {
        firsts.set(key, index);
        return;
    }
    items[index] = { first: firsts.get(key), answered: true, result: { repeated: true, index } };
    if (index === shown) showSoon();
}

// Gives up on whatever the zip was: a new batch or a dead worker ends it.
function dropZip() {
    zip += 1;
    if (zipping) finishZip('');
}

function convertChosen() {
    batch += 1;
    restarts = 0;
    dropZip();
    for (const item of items) if (item.url) URL.revokeObjectURL(item.url);
    if (zipUrl) URL.revokeObjectURL(zipUrl);
    zipUrl = '';
    items = chosen.map(() => ({}));
    firsts = new Map();
    outputNames = new Map();
    list.replaceChildren();
    shown = 0;
    converting = chosen.length > 0;
    progress.max = Math.max(chosen.length, 1);
    progress.value = 0;
    progress.hidden = !converting;
    status.textContent = converting ? `Converting ${plural(chosen.length, 'file')}…` : '';
    updateDownloadAll();
    const choices = Object.fromEntries(
        Object.entries(choiceFields).map(([key, field]) => [key, field.value]));
    // No files: nothing to ask, but each worker still hears of the batch and
    // lets go of the outputs of the one before.
    roles = converting ? null : [];
    unsent = null;
    if (converting) {
        // Until the roles come, the first worker answers for every file.
        for (const item of items) if (item.first === undefined) item.slot = workers[0];
        askRoles();
    }
    sendFiles(batch, choices);
}

function askRoles() {
    workers[0].heard = performance.now();
    workers[0].worker.postMessage({ type: 'names', batch, names: chosen.map((file) => file.name) });
}

function takeRoles(data) {
    if (roles) return;
    roles = data.roles;
    if (unsent) sendFiles(batch, unsent, chosen.length);
}

// Two inputs whose outputs would have one name (in any case, as the
// systems that ignore it see them): the second is refused, as the converter
// refuses it, rather than renamed where nobody sees.
function clashOf(result) {
    const key = result.download.normalize('NFC').toLowerCase();
    const other = outputNames.get(key);
    if (other === undefined) {
        outputNames.set(key, result.shown);
        return null;
    }
    return {
        ...result, ok: false, subject: result.download,
        refusal: `also the output of ${other}; ${result.shown} not converted; nothing written`,
    };
}

function itemOf(result) {
    const item = items[result.index];
    if (result.game) {
        item.shown = result.shown || chosen[result.index].name;
        return listItem(result.ok ? 'game' : 'refused', element('p', '', `${item.shown}: ${result.ok ? result.line : result.refusal}`));
    }
    if (result.repeated) {
        return listItem('warning', element('p', '',
            `${items[item.first].shown}: warning: chosen more than once; tried once`));
    }
    item.shown = result.shown || chosen[result.index].name;
    if (result.ok) result = clashOf(result) ?? result;
    if (!result.ok) {
        return listItem('refused', element('p', '', `${result.subject ?? item.shown}: ${result.refusal}`));
    }
    Object.assign(item, { output: result.download, blob: result.blob });
    const link = element('a', '', `Download ${result.download}`);
    link.href = '#';
    link.dataset.index = result.index;
    link.download = result.download;
    return listItem('converted', element('pre', '', result.lines.join('\n')),
        ...result.warnings.map((warning) => element('p', 'warning', `Warning: ${warning}`)), link);
}

// A link's address costs a call into the browser that waits on it, about a
// millisecond while the workers make Blobs: made for a thousand links as
// they are listed, the addresses took most of the page's own time. So a link
// gets its address when it is about to be used (pointed at, pressed,
// focused, its menu opened) and, once the batch is listed, in idle time.
function address(link) {
    const item = items[link.dataset.index];
    if (!item?.blob || link.getAttribute('href') !== '#') return;
    item.url = URL.createObjectURL(item.blob);
    link.href = item.url;
}
for (const type of ['pointerover', 'pointerdown', 'focusin', 'contextmenu', 'click']) {
    list.addEventListener(type, ({ target }) => {
        if (target instanceof HTMLAnchorElement) address(target);
    }, true);
}
function addressWhenIdle(id) {
    requestIdleCallback((deadline) => {
        if (id !== batch) return;
        const links = list.querySelectorAll('a[href="#"]');
        let next = 0;
        for (; next < links.length && deadline.timeRemaining() > 1; ++next) address(links[next]);
        if (next < links.length) addressWhenIdle(id);
    });
}

function showSoon() {
    if (showing) return;
    showing = true;
    requestAnimationFrame(showArrived);
}

// Results are added to the end of the list in the order of the files, a few
// milliseconds' worth a frame: a thousand arrive faster than the page could
// lay them out one by one, and each link's address costs a call into the
// browser that takes longer the busier it is. Only added, never replaced, an
// item costs the layout of itself alone.
function showArrived() {
    showing = false;
    const until = performance.now() + 8;
    const added = document.createDocumentFragment();
    while (shown < items.length && items[shown].result &&
           (added.childNodes.length === 0 || performance.now() < until)) {
        added.append(itemOf(items[shown].result));
        items[shown++].result = null;
    }
    list.append(added);
    progress.value = shown;
    if (shown < items.length) {
        if (items[shown].result) showSoon();
        return;
    }
    converting = false;
    progress.hidden = true;
    addressWhenIdle(batch);
    const converted = items.filter((item) => item.blob).length;
    const refused = items.filter((item) => !item.blob && item.first === undefined && !item.game).length;
    status.textContent = `${plural(converted, 'file')} converted` +
        (refused ? `, ${refused} not converted (the reasons are in the list).` : '.');
    updateDownloadAll();
}

function finishZip(message) {
    zipping = false;
    progress.hidden = !converting;
    if (message) status.textContent = message;
    updateDownloadAll();
}

// A file's answer, the first only: a worker that died answers for its files.
function take(index, result) {
    if (items[index].answered) return;
    items[index].answered = true;
    items[index].result = { ...result, index };
    if (index === shown) showSoon();
}

function answer(slot, { data }) {
    slot.heard = performance.now();
    const ours = data.batch === batch && (data.zip === undefined || data.zip === zip);
    if (!ours) return;
    if (data.type === 'roles') {
        takeRoles(data);
    } else if (data.type === 'result') {
        take(data.index, data);
    } else if (data.type === 'zip-progress' && zipping) {
        progress.max = data.total;
        progress.value = data.done;
    } else if (data.type === 'zipped' && zipping) {
        if (zipUrl) URL.revokeObjectURL(zipUrl);
        zipUrl = URL.createObjectURL(data.blob);
        const link = element('a');
        link.href = zipUrl;
        link.download = 'ondrel-saves.zip';
        link.click();
        finishZip('The zip of all converted saves is ready: ondrel-saves.zip.');
    } else if (data.type === 'zip-failed' && zipping) {
        finishZip(`"Download all" failed: the zip could not be made (${data.message}); ` +
            'download the files one by one, or convert fewer at once.');
    }
}

function startWorker(place) {
    const slot = { place, worker: new Worker(workerUrl), heard: 0 };
    slot.worker.onmessage = (event) => answer(slot, event);
    slot.worker.onerror = (event) => {
        event.preventDefault();
        lost(slot, event.message || 'its worker failed');
    };
    // Faults a test asks for; a page in use has none.
    const faults = globalThis.ondrelTestFaults;
    if (faults) slot.worker.postMessage({ type: 'faults', faults });
    return slot;
}

// A worker that died or stopped answering: its files of the batch that have
// no answer are not converted, for the reason given, and another worker takes
// its place.
function lost(slot, reason) {
    if (workers[slot.place] !== slot) return;
    slot.worker.terminate();
    const next = restarts++ < kRestarts ? startWorker(slot.place) : deadSlot(slot.place, reason);
    workers[slot.place] = next;
    if (slot.place === 0 && converting && !roles) {
        // No file was handed over yet: they wait on the roles, which the
        // worker in its place is asked for.
        for (const item of items) if (item.slot === slot) item.slot = next;
        askRoles();
    } else {
        items.forEach((item, index) => {
            if (item.slot === slot) take(index, { ok: false, refusal: `the converter stopped (${reason}); nothing written` });
        });
    }
    if (zipping && slot.place === 0) {
        dropZip();
        status.textContent = `"Download all" failed: the converter stopped (${reason}).`;
    }
}

// A worker that died too often: every file handed to it is answered at once.
function deadSlot(place, reason) {
    const slot = { place, heard: 0 };
    slot.worker = {
        terminate() {},
        postMessage(data) {
            if (data.type === 'names') {
                queueMicrotask(() => answer(slot, { data: { ...data, type: 'roles', roles: data.names.map(() => ({})) } }));
            } else if (data.type === 'files') {
                data.places.forEach((place) => take(place,
                    { ok: false, refusal: `the converter stopped (${reason}); nothing written` }));
            } else if (data.type === 'zip') {
                queueMicrotask(() => answer(slot, { data: { ...data, type: 'zip-failed', message: reason } }));
            }
        },
    };
    return slot;
}

// The watchdog: a worker silent for too long while files or the zip wait on
// it is taken for dead.
setInterval(() => {
    if (!converting && !zipping) return;
    const now = performance.now();
    for (const slot of [...workers]) {
        const waited = (zipping && slot.place === 0) ||
            items.some((item) => item.slot === slot && !item.answered);
        if (waited && now - slot.heard > kSilence) lost(slot, `no answer for ${kSilence / 1000} s`);
    }
}, 5000);

function choose(files) {
    chosen = [...files];
    convertChosen();
}

input.addEventListener('change', () => choose(input.files));
for (const field of Object.values(choiceFields)) {
    field.addEventListener('change', () => {
        if (chosen.length > 0) convertChosen();
    });
}

downloadAll.addEventListener('click', () => {
    const outputs = items.filter((item) => item.blob).map(({ output, blob }) => ({ name: output, blob }));
    if (downloadAll.getAttribute('aria-disabled') === 'true') return;
    if (zipping) {
        status.textContent = `Still zipping (${progress.value} of ${progress.max} done); ` +
            'ondrel-saves.zip downloads when it is ready.';
        return;
    }
    if (outputs.length === 0 || converting) return;
    zipping = true;
    zip += 1;
    updateDownloadAll();
    progress.max = outputs.length;
    progress.value = 0;
    progress.hidden = false;
    status.textContent = `Zipping ${plural(outputs.length, 'converted save')}…`;
    workers[0].heard = performance.now();
    workers[0].worker.postMessage({ type: 'zip', batch, zip, outputs });
});

// Files dropped anywhere on the page are chosen as if picked.
const carriesFiles = (event) => event.dataTransfer && [...event.dataTransfer.types].includes('Files');
document.addEventListener('dragover', (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    document.body.classList.add('dropping');
});
document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) document.body.classList.remove('dropping');
});
document.addEventListener('drop', (event) => {
    document.body.classList.remove('dropping');
    if (!carriesFiles(event)) return;
    event.preventDefault();
    choose(event.dataTransfer.files);
});
