// The page: hands the chosen files and choices to the worker and shows what
// comes back. It knows no save format; every output name, report line and
// reason it shows comes from the core, in the worker.

const $ = (id) => document.getElementById(id);
const input = $('files');
const choiceFields = { target: $('target'), chipSize: $('chip-size'), readAs: $('read-as') };
const downloadAll = $('download-all');
const progress = $('progress');
const status = $('status');
const list = $('results');

// From a Blob, so that the page works opened as a file, with no request.
const worker = new Worker(
    URL.createObjectURL(new Blob([$('ondrel-worker').textContent], { type: 'text/javascript' })));

let chosen = [];      // the files, in the order chosen
let batch = 0;        // the conversion under way; results of older ones are dropped
let items = [];       // per file: { li, output, blob, url } once converted
let waiting = [];     // results not yet shown
let shown = 0;        // results shown of this batch
let converting = false;
let zipping = false;
let zipUrl = '';

function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
}

// While a zip is made the button stays enabled (a disabled button would drop
// the keyboard's focus) and says it is busy.
function updateDownloadAll() {
    downloadAll.disabled = converting || !items.some((item) => item.blob);
    downloadAll.setAttribute('aria-busy', String(zipping));
}

function plural(count, word) {
    return `${count} ${word}${count === 1 ? '' : 's'}`;
}

function convertChosen() {
    batch += 1;
    for (const item of items) if (item.url) URL.revokeObjectURL(item.url);
    items = chosen.map((file) => ({ li: element('li', 'waiting', `${file.name}: waiting`) }));
    list.replaceChildren(...items.map((item) => item.li));
    waiting = [];
    shown = 0;
    converting = chosen.length > 0;
    progress.max = Math.max(chosen.length, 1);
    progress.value = 0;
    progress.hidden = !converting;
    status.textContent = converting ? `Converting ${plural(chosen.length, 'file')}…` : '';
    updateDownloadAll();
    if (!converting) return;
    const choices = Object.fromEntries(
        Object.entries(choiceFields).map(([key, field]) => [key, field.value]));
    worker.postMessage({ type: 'convert', batch, files: chosen, choices });
}

function show(result) {
    const item = items[result.index];
    const li = element('li', result.ok ? 'converted' : 'refused');
    if (result.ok) {
        li.append(element('pre', '', result.lines.join('\n')));
        for (const warning of result.warnings) li.append(element('p', 'warning', `Warning: ${warning}`));
        item.output = result.output;
        item.blob = result.blob;
        item.url = URL.createObjectURL(result.blob);
        const link = element('a', '', `Download ${result.output}`);
        link.href = item.url;
        link.download = result.output;
        li.append(link);
    } else {
        li.append(element('p', '', `${chosen[result.index].name}: ${result.refusal}`));
    }
    item.li.replaceWith(li);
    item.li = li;
}

// Results are shown a frame's worth at a time: a thousand arrive faster than
// the page could lay out one by one.
function showWaiting() {
    const results = waiting;
    waiting = [];
    results.forEach(show);
    shown += results.length;
    progress.value = shown;
    if (shown < items.length) return;
    converting = false;
    progress.hidden = true;
    const converted = items.filter((item) => item.blob).length;
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

worker.onmessage = ({ data }) => {
    if (data.type === 'result' && data.batch === batch) {
        if (waiting.length === 0) requestAnimationFrame(showWaiting);
        waiting.push(data);
    } else if (data.type === 'zip-progress') {
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

worker.onerror = (event) => {
    status.textContent = `The converter could not start: ${event.message}`;
};

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
    const entries = items.filter((item) => item.blob).map(({ output, blob }) => ({ name: output, blob }));
    if (entries.length === 0 || zipping) return;
    zipping = true;
    updateDownloadAll();
    progress.max = entries.length;
    progress.value = 0;
    progress.hidden = false;
    status.textContent = `Zipping ${plural(entries.length, 'converted save')}…`;
    worker.postMessage({ type: 'zip', entries });
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
