// The page of `drivesetup serve`: draws the dialogs the server holds open,
// from the state it publishes, and sends what the person does as the steps
// of a user script. It keeps no state of the dialogs itself: every control
// shows what the framework holds, as the server last said.
'use strict';

const token = new URLSearchParams(location.search).get('token') || '';

// Dialog units to pixels, as a dialog font of 8 points draws them.
const kUnitX = 1.5;
const kUnitY = 1.625;
// The box of a combo box; its template height is that of its open list.
const kComboBoxHeight = 13;
// Dialogs opened on top of others step down and right by this much.
const kCascade = 28;
const kButtonNames = {ok: 'OK', yes: 'Yes', no: 'No', cancel: 'Cancel', retry: 'Retry'};
const kIconGlyphs = {question: '?', warning: '!', error: '\u00d7', information: 'i'};

let revision = 0;
let lastState = null;
const seen = {notice: null, help: null, file: null};

// ----- the API -----

async function api(method, path, body, contentType = 'application/json') {
  const init = {method, headers: {'X-Drivesetup-Token': token}};
  if (body !== undefined) {
    init.body = typeof body === 'string' ? body : JSON.stringify(body);
    init.headers['Content-Type'] = contentType;
  }
  return fetch(path, init);
}

// Requests go one after the other, in the order the person made them: a
// click that follows typing must reach the dialog after the typed text.
let queue = Promise.resolve();
function send(method, path, body, contentType) {
  const sent = queue.then(async () => {
    const response = await api(method, path, body, contentType);
    const answer = await response.json().catch(() => ({error: `status ${response.status}`}));
    if (!response.ok) showRefusal(answer.error || `status ${response.status}`);
    return response.ok;
  }).catch((error) => { showRefusal(`The server did not answer: ${error.message}`); return false; });
  queue = sent;
  return sent;
}

function act(dialog, step) {
  return send('POST', '/api/action', dialog ? {dialog: dialog.serial, step} : {step});
}

async function download(path, name) {
  const response = await api('GET', path);
  if (!response.ok) {
    const answer = await response.json().catch(() => ({}));
    showRefusal(answer.error || `The download failed with status ${response.status}.`);
    return;
  }
  const url = URL.createObjectURL(await response.blob());
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// ----- notices -----

function addNotice(text, kind) {
  const line = document.createElement('div');
  line.className = `notice ${kind}`;
  line.textContent = text;
  const box = document.getElementById('notices');
  box.append(line);
  while (box.childElementCount > 50) box.firstElementChild.remove();
  box.scrollTop = box.scrollHeight;
}

function showRefusal(text) {
  addNotice(text, 'refusal');
  const bar = document.getElementById('refusal');
  bar.textContent = text;
  bar.hidden = false;
}

// ----- captions -----

// A caption as the screen draws it: "&" underlines the next letter and
// "&&" is an ampersand.
function setCaption(element, caption) {
  element.replaceChildren();
  let plain = '';
  for (let i = 0; i < caption.length; ++i) {
    const c = caption[i];
    if (c === '&' && caption[i + 1] === '&') {
      plain += '&';
      ++i;
    } else if (c === '&' && i + 1 < caption.length) {
      element.append(plain);
      plain = '';
      const key = document.createElement('u');
      key.textContent = caption[++i];
      element.append(key);
    } else {
      plain += c;
    }
  }
  element.append(plain);
}

function bitmapUrl(name) {
  return `/api/bitmap?name=${encodeURIComponent(name)}&token=${encodeURIComponent(token)}`;
}

// ----- controls -----

function place(element, control, height = control.h) {
  element.style.left = `${control.x * kUnitX}px`;
  element.style.top = `${control.y * kUnitY}px`;
  element.style.width = `${control.w * kUnitX}px`;
  element.style.height = `${height * kUnitY}px`;
}

// Builds the element of a control once; `update` refreshes it from each new state.
function makeControl(view, control) {
  const make = builders[control.class] || builders.display;
  const element = make(view, control);
  element.classList.add('control', `class-${control.class}`);
  if (control.id !== null) element.dataset.id = control.id;
  return element;
}

function onAction(view, control, step) {
  return act(view.dialog, Object.assign({id: control.id}, step));
}

const builders = {
  edit(view, control) {
    const edit = document.createElement(control.multiline ? 'textarea' : 'input');
    if (!control.multiline) edit.type = 'text';
    edit.addEventListener('input', () => { edit.dataset.typed = '1'; });
    edit.addEventListener('keydown', (event) => {
      if (event.key === 'Enter' && !control.multiline) edit.blur();
    });
    edit.addEventListener('change', () => {
      delete edit.dataset.typed;
      onAction(view, view.controls.get(edit).control, {do: 'type', text: edit.value});
    });
    return edit;
  },
  combo(view, control) {
    if (control.editable) {
      const input = document.createElement('input');
      input.type = 'text';
      const list = document.createElement('datalist');
      list.id = `list-${view.dialog.serial}-${control.id}`;
      input.setAttribute('list', list.id);
      const wrap = document.createElement('div');
      wrap.append(input, list);
      input.addEventListener('input', () => { input.dataset.typed = '1'; });
      input.addEventListener('change', () => {
        delete input.dataset.typed;
        const now = view.controls.get(wrap).control;
        onAction(view, now, now.items.includes(input.value) ? {do: 'select', text: input.value}
                                                            : {do: 'type', text: input.value});
      });
      return wrap;
    }
    const select = document.createElement('select');
    select.addEventListener('change', () => {
      const now = view.controls.get(select).control;
      onAction(view, now, {do: 'select', text: now.items[select.selectedIndex]});
    });
    return select;
  },
  check(view, control) { return makeCheckable(view, control, 'checkbox'); },
  radio(view, control) { return makeCheckable(view, control, 'radio'); },
  button(view, control) {
    const button = document.createElement('button');
    button.type = 'button';
    button.addEventListener('click', () => onAction(view, control, {do: 'click'}));
    return button;
  },
  'bitmap-button'(view, control) {
    const button = builders.button(view, control);
    button.append(document.createElement('img'));
    return button;
  },
  static() { return document.createElement('div'); },
  picture() {
    const box = document.createElement('div');
    box.append(document.createElement('img'));
    return box;
  },
  group() {
    const group = document.createElement('fieldset');
    group.append(document.createElement('legend'));
    return group;
  },
  tab(view, control) {
    const tabs = document.createElement('div');
    tabs.append(document.createElement('div'));
    tabs.firstChild.className = 'tab-strip';
    tabs.addEventListener('click', (event) => {
      const page = event.target.closest('button');
      if (page) onAction(view, control, {do: 'tab', index: Number(page.dataset.index)});
    });
    return tabs;
  },
  slider(view, control) {
    const slider = document.createElement('input');
    slider.type = 'range';
    slider.addEventListener('change', () => onAction(view, control, {do: 'slide', position: Number(slider.value)}));
    return slider;
  },
  spin(view, control) {
    const spin = document.createElement('div');
    for (const [glyph, delta] of [['\u25b2', 1], ['\u25bc', -1]]) {
      const arrow = document.createElement('button');
      arrow.type = 'button';
      arrow.textContent = glyph;
      arrow.addEventListener('click', () => onAction(view, control, {do: 'spin', delta}));
      spin.append(arrow);
    }
    return spin;
  },
  progress() { return document.createElement('progress'); },
  graph(view, control) { return makePlot(view, control); },
  'bar-graph'() { return makeWidget(); },
  'encoder-diagram'() { return makeWidget(); },
  'phase-diagram'() { return makeWidget(); },
  // Anything else shows its caption.
  display() { return document.createElement('div'); },
};

function makeCheckable(view, control, type) {
  const label = document.createElement('label');
  const box = document.createElement('input');
  box.type = type;
  const caption = document.createElement('span');
  label.append(box, caption);
  box.addEventListener('click', (event) => {
    // The dialog decides what the box shows; the state brings it back.
    event.preventDefault();
    onAction(view, control, {do: 'click'});
  });
  return label;
}

function updateControl(element, control, old) {
  element.hidden = !control.visible;
  element.style.color = control.color;
  element.title = control.id === null ? '' : `control ${control.id}`;
  const cls = control.class;
  const height = cls === 'combo' ? Math.min(control.h, kComboBoxHeight) : control.h;
  place(element, control, height);
  switch (cls) {
    case 'edit':
      updateEdit(element, control);
      break;
    case 'combo':
      updateCombo(element, control, old);
      break;
    case 'check':
    case 'radio':
      element.querySelector('input').checked = control.checked;
      element.querySelector('input').disabled = !control.enabled;
      setCaption(element.querySelector('span'), control.text);
      break;
    case 'button':
      element.disabled = !control.enabled;
      setCaption(element, control.text);
      element.classList.toggle('default', !!control.default);
      break;
    case 'bitmap-button':
      element.disabled = !control.enabled;
      updateImage(element.querySelector('img'), control);
      element.title = control.text;
      break;
    case 'picture':
      updateImage(element.querySelector('img'), control);
      break;
    case 'group':
      setCaption(element.querySelector('legend'), control.text);
      break;
    case 'tab':
      updateTabs(element, control, old);
      break;
    case 'slider':
      element.min = control.min;
      element.max = control.max;
      if (document.activeElement !== element) element.value = control.position;
      element.disabled = !control.enabled;
      break;
    case 'spin':
      for (const arrow of element.querySelectorAll('button')) arrow.disabled = !control.enabled;
      element.title = `${control.position}`;
      break;
    case 'progress':
      element.max = Math.max(control.max - control.min, 1);
      element.value = control.position - control.min;
      break;
    case 'graph':
      updatePlot(element, control);
      break;
    case 'bar-graph':
    case 'encoder-diagram':
    case 'phase-diagram':
      drawWidget(element, control, control.w * kUnitX, height * kUnitY);
      element.classList.toggle('disabled', !control.enabled);
      break;
    default:
      setCaption(element, control.text);
      element.classList.toggle('disabled', !control.enabled);
  }
}

// What the person is typing stays until they leave the edit.
function updateEdit(edit, control) {
  edit.readOnly = !!control.readonly;
  edit.disabled = !control.enabled;
  if (!(document.activeElement === edit && edit.dataset.typed)) edit.value = control.text;
}

function updateCombo(element, control, old) {
  const itemsChanged = !old || JSON.stringify(old.items) !== JSON.stringify(control.items);
  if (control.editable) {
    const [input, list] = element.children;
    input.disabled = !control.enabled;
    if (itemsChanged) list.replaceChildren(...control.items.map((item) => new Option(item)));
    if (!(document.activeElement === input && input.dataset.typed)) input.value = control.text;
    return;
  }
  element.disabled = !control.enabled;
  if (itemsChanged) element.replaceChildren(...control.items.map((item) => new Option(item)));
  element.selectedIndex = control.selection;
}

function updateImage(image, control) {
  if (!control.bitmap) {
    image.removeAttribute('src');
    return;
  }
  const url = bitmapUrl(control.bitmap);
  if (image.getAttribute('src') !== url) image.src = url;
  image.alt = control.text;
}

function updateTabs(element, control, old) {
  const strip = element.firstChild;
  if (!old || JSON.stringify(old.items) !== JSON.stringify(control.items)) {
    strip.replaceChildren(...control.items.map((item, index) => {
      const page = document.createElement('button');
      page.type = 'button';
      page.dataset.index = index;
      setCaption(page, item);
      return page;
    }));
  }
  strip.childNodes.forEach((page, index) => {
    page.classList.toggle('selected', index === control.selection);
    page.disabled = !control.enabled;
  });
}

// ----- plots -----

function makePlot(view, control) {
  const box = document.createElement('div');
  const picture = document.createElement('img');
  picture.className = 'plot-picture';
  const tools = document.createElement('div');
  tools.className = 'plot-tools';
  for (const format of ['svg', 'csv']) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = format.toUpperCase();
    button.title = `Download the plot as ${format.toUpperCase()}`;
    button.addEventListener('click', () => {
      const now = view.controls.get(box).control;
      if (!now.plot) return;
      download(`/api/plot?key=${encodeURIComponent(now.plot.key)}&format=${format}`, `plot-${now.id}.${format}`);
    });
    tools.append(button);
  }
  box.append(picture, tools);
  box.plot = {shown: null, loading: false};
  return box;
}

// Fetches the plot's picture again whenever what its window shows changed,
// one fetch at a time.
async function updatePlot(box, control) {
  box.title = control.text;
  box.dataset.points = control.plot ? control.plot.points : 0;
  const plot = box.plot;
  plot.wanted = control.plot ? control.plot : null;
  if (plot.loading || !plot.wanted || plot.shown === plot.wanted.stamp) return;
  plot.loading = true;
  const wanted = plot.wanted;
  const width = Math.max(100, Math.round(control.w * kUnitX));
  const height = Math.max(100, Math.round(control.h * kUnitY) - 24);
  try {
    const response = await api('GET', `/api/plot?key=${encodeURIComponent(wanted.key)}&width=${width}&height=${height}`);
    if (response.ok) {
      const picture = box.querySelector('img');
      const old = picture.src;
      picture.src = URL.createObjectURL(await response.blob());
      if (old.startsWith('blob:')) URL.revokeObjectURL(old);
      plot.shown = wanted.stamp;
      box.dataset.shownPoints = wanted.points;
    }
  } finally {
    plot.loading = false;
  }
  if (plot.wanted && plot.wanted.stamp !== plot.shown) updatePlot(box, Object.assign({}, control, {plot: plot.wanted}));
}

// ----- dialogs -----

const views = new Map();  // by dialog serial

function makeDialogView(dialog) {
  const frame = document.createElement('section');
  frame.className = 'dialog';
  frame.dataset.serial = dialog.serial;
  const title = document.createElement('header');
  title.className = 'title';
  const caption = document.createElement('span');
  const close = document.createElement('button');
  close.type = 'button';
  close.className = 'close';
  close.textContent = '\u00d7';
  close.title = 'Close';
  title.append(caption, close);
  const client = document.createElement('div');
  client.className = 'client';
  frame.append(title, client);
  const view = {dialog, frame, caption, client, controls: new Map(), elements: []};
  close.addEventListener('click', () => send('POST', '/api/close', {dialog: view.dialog.serial}));
  frame.addEventListener('keydown', (event) => {
    // The hidden key chords: a letter with Ctrl, Alt and Shift held.
    if (event.ctrlKey && event.altKey && event.shiftKey && /^Key[A-Z]$/.test(event.code)) {
      event.preventDefault();
      act(view.dialog, {do: 'chord', key: event.code.slice(3)});
    }
  });
  frame.tabIndex = -1;
  return view;
}

function updateDialogView(view, dialog, depth, onTop) {
  view.dialog = dialog;
  view.caption.textContent = dialog.caption;
  view.frame.style.left = `${16 + depth * kCascade}px`;
  view.frame.style.top = `${16 + depth * kCascade}px`;
  view.client.style.width = `${dialog.w * kUnitX}px`;
  view.client.style.height = `${dialog.h * kUnitY}px`;
  view.frame.inert = !onTop;
  view.frame.classList.toggle('below', !onTop);
  dialog.controls.forEach((control, index) => {
    let element = view.elements[index];
    if (!element) {
      element = makeControl(view, control);
      view.elements[index] = element;
      view.client.append(element);
    }
    const old = view.controls.get(element);
    view.controls.set(element, {control});
    updateControl(element, control, old && old.control);
  });
}

function renderDialogs(state) {
  const desk = document.getElementById('desk');
  const open = new Set(state.dialogs.map((d) => d.serial));
  for (const [serial, view] of views) {
    if (!open.has(serial)) {
      view.frame.remove();
      views.delete(serial);
    }
  }
  state.dialogs.forEach((dialog, depth) => {
    let view = views.get(dialog.serial);
    if (!view) {
      view = makeDialogView(dialog);
      views.set(dialog.serial, view);
      desk.append(view.frame);
    }
    const onTop = depth === state.dialogs.length - 1 && !state.messageBox;
    updateDialogView(view, dialog, depth, onTop);
  });
  // The dialogs are placed absolutely: the desk grows to hold them, so that
  // what follows it (the notices) never covers a dialog.
  let bottom = 0;
  for (const view of views.values()) bottom = Math.max(bottom, view.frame.offsetTop + view.frame.offsetHeight);
  desk.style.height = `${bottom + 16}px`;
}

// ----- message box, help, files -----

function renderMessageBox(box) {
  const layer = document.getElementById('message-box');
  if (!box) {
    layer.hidden = true;
    layer.shown = null;
    return;
  }
  const key = JSON.stringify(box);
  if (layer.shown === key) return;
  layer.shown = key;
  layer.querySelector('.caption').textContent = box.caption || 'Drive Setup';
  const icon = layer.querySelector('.icon');
  icon.textContent = kIconGlyphs[box.icon] || '';
  icon.className = `icon ${box.icon}`;
  layer.querySelector('.text').textContent = box.text;
  const buttons = layer.querySelector('.buttons');
  buttons.replaceChildren(...box.buttons.map((name) => {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = kButtonNames[name] || name;
    button.dataset.button = name;
    button.addEventListener('click', () => act(null, {do: 'answer', text: box.text, button: name}));
    return button;
  }));
  layer.hidden = false;
  buttons.firstChild.focus();
}

function renderHelp(help) {
  if (!help || seen.help === null || help.serial <= seen.help) return;
  const panel = document.getElementById('help');
  panel.querySelector('.text').textContent =
      `Help topic ${help.topic} of ${help.file}. The help file is on the computer that runs drivesetup serve.`;
  panel.hidden = false;
}

function renderFiles(files) {
  for (const file of files) {
    if (seen.file !== null && file.serial > seen.file) download(`/api/file?serial=${file.serial}`, file.name);
  }
}

function renderNotices(notices) {
  for (const notice of notices) {
    if (seen.notice === null || notice.serial > seen.notice) addNotice(notice.text, 'server');
  }
}

function render(state) {
  const setup = state.setup || {};
  document.getElementById('setup-name').textContent = setup.name || '';
  const idle = state.dialogs.length === 0;
  document.getElementById('open-dialog').disabled = !idle;
  document.getElementById('open-file').disabled = !idle;
  document.getElementById('open-file-label').classList.toggle('disabled', !idle);
  const save = document.getElementById('save-setup');
  save.disabled = !idle || !setup.saveTo;
  save.title = setup.saveTo ? `Save to ${setup.saveTo} on the server` : 'The server was started without --setup FILE';
  renderDialogs(state);
  renderMessageBox(state.messageBox);
  renderHelp(state.help);
  renderFiles(state.files);
  renderNotices(state.notices);
  // What was there when the page opened is not news.
  const last = (list) => (list.length ? list[list.length - 1].serial : 0);
  seen.notice = last(state.notices);
  seen.file = last(state.files);
  seen.help = state.help ? state.help.serial : 0;
  document.body.dataset.revision = state.revision;
}

// ----- the state, as it changes -----

async function follow() {
  for (;;) {
    try {
      const response = await api('GET', `/api/state?after=${revision}`);
      if (!response.ok) {
        const answer = await response.json().catch(() => ({}));
        setConnection(answer.error || `status ${response.status}`);
        await new Promise((resolve) => setTimeout(resolve, 2000));
        continue;
      }
      const state = await response.json();
      setConnection('');
      if (state.revision !== revision) {
        revision = state.revision;
        lastState = state;
        render(state);
      }
    } catch (error) {
      setConnection('The server does not answer.');
      await new Promise((resolve) => setTimeout(resolve, 1000));
    }
  }
}

function setConnection(problem) {
  const status = document.getElementById('connection');
  status.textContent = problem || 'connected';
  status.classList.toggle('lost', !!problem);
}

function setUpBar() {
  document.getElementById('open-dialog').addEventListener('click', () => send('POST', '/api/open', ''));
  document.getElementById('download-setup').addEventListener('click', () => {
    download('/api/setup', (lastState && lastState.setup && lastState.setup.name) || 'setup.json');
  });
  document.getElementById('save-setup').addEventListener('click', () => send('POST', '/api/save', ''));
  const file = document.getElementById('open-file');
  file.addEventListener('change', async () => {
    const chosen = file.files[0];
    file.value = '';
    if (!chosen) return;
    send('POST', `/api/setup?name=${encodeURIComponent(chosen.name)}`, await chosen.text());
  });
  document.querySelector('#help .close').addEventListener('click', () => {
    document.getElementById('help').hidden = true;
  });
  document.getElementById('refusal').addEventListener('click', (event) => { event.currentTarget.hidden = true; });
}

setUpBar();
follow();
