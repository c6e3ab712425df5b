// The page: hands the chosen files and choices to the workers and shows what
// comes back. It knows no save format; every output name, report line and
// reason it shows comes from the core, in the workers.

const $ = (id) => document.getElementById(id);
const input = $('files');
const choiceFields = { target: $('target'), chipSize: $('chip-size'), readAs: $('read-as') };
const downloadAll = $('download-all');
const progress = $('progress');
const status = $('status');
const list = $('results');

// From a Blob, so that the page works opened as a file, with no request.
// Two workers share each batch; the first makes the zip, with the outputs
// the other hands it through a port of their own.
const workerUrl = URL.createObjectURL(new Blob([$('ondrel-worker').textContent], { type: 'text/javascript' }));
const workers = [new Worker(workerUrl), new Worker(workerUrl)];
for (const other of workers.slice(1)) {
    const { port1, port2 } = new MessageChannel();
    workers[0].postMessage({ type: 'zipper' }, [port1]);
    other.postMessage({ type: 'share' }, [port2]);
}

let chosen = [];      // the files, in the order chosen
let batch = 0;        // the conversion under way; results of older ones are dropped
let items = [];       // per file: its result once it came, and its link's address
let shown = 0;        // results shown of this batch: the first ones, in order
let showing = false;  // a frame is asked for to show more
let converting = false;
let zipping = false;
let zipUrl = '';

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

// While a zip is made the button stays enabled (a disabled button would drop
// the keyboard's focus) and says it is busy.
function updateDownloadAll() {
    downloadAll.disabled = converting || !items.some((item) => item.url);
    downloadAll.setAttribute('aria-busy', String(zipping));
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
        void chosen[looked].size;
    }
    const messages = Math.max(Math.ceil(chosen.length / kFilesPerMessage), workers.length);
    for (let message = 0; message < messages; ++message) {
        const first = message * kFilesPerMessage;
        workers[message % workers.length].postMessage({
            type: 'files', batch: id, choices, first, files: chosen.slice(first, first + kFilesPerMessage),
            last: message + workers.length >= messages,
        });
    }
}

function convertChosen() {
    batch += 1;
    for (const item of items) if (item.url) URL.revokeObjectURL(item.url);
    items = chosen.map(() => ({}));
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
    sendFiles(batch, choices);
}

function itemOf(result) {
    if (!result.ok) {
        return listItem('refused', element('p', '', `${chosen[result.index].name}: ${result.refusal}`));
    }
    const url = URL.createObjectURL(result.blob);
    items[result.index].url = url;
    const link = element('a', '', `Download ${result.output}`);
    link.href = url;
    link.download = result.output;
    return listItem('converted', element('pre', '', result.lines.join('\n')),
        ...result.warnings.map((warning) => element('p', 'warning', `Warning: ${warning}`)), link);
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
    const converted = items.filter((item) => item.url).length;
    const refused = items.length - converted;
    status.textContent = `${plural(converted, 'file')} converted` +
        (refused ? `, ${refused} not converted (the reasons are in the list).` : '.');
    updateDownloadAll();
}

function finishZip(message) {
    zipping = false;
    progress.hidden = true;
    status.textContent = message;
    updateDownloadAll();
}

const answer = ({ data }) => {
    if (data.type === 'result' && data.batch === batch) {
        items[data.index].result = data;
        if (data.index === shown) showSoon();
    } else if (data.type === 'zip-progress') {
        progress.max = data.total;
        progress.value = data.done;
    } else if (data.type === 'zipped') {
        if (zipUrl) URL.revokeObjectURL(zipUrl);
        zipUrl = URL.createObjectURL(data.blob);
        const link = element('a');
        link.href = zipUrl;
        link.download = 'ondrel-saves.zip';
        link.click();
        finishZip('The zip of all converted saves is ready: ondrel-saves.zip.');
    } else if (data.type === 'zip-failed') {
        finishZip(`The zip could not be made: ${data.message}`);
    }
};

for (const worker of workers) {
    worker.onmessage = answer;
    worker.onerror = (event) => {
        status.textContent = `The converter could not start: ${event.message}`;
    };
}

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
    const count = items.filter((item) => item.url).length;
    if (count === 0 || converting || zipping) return;
    zipping = true;
    updateDownloadAll();
    progress.value = 0;
    progress.hidden = false;
    status.textContent = `Zipping ${plural(count, 'converted save')}…`;
    workers[0].postMessage({ type: 'zip', batch });
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
