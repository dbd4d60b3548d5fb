// The kernel's display widgets, drawn as SVG from what the server publishes
// of them: a bar graph's limits, reference, value and colour; an encoder
// dial's angle; a phase diagram's caption over its phase axes. app.js calls
// `drawWidget` whenever a control's state comes.
'use strict';

const kSvg = 'http://www.w3.org/2000/svg';

function svgElement(name, attributes = {}) {
  const element = document.createElementNS(kSvg, name);
  for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
  return element;
}

function makeWidget() {
  const box = document.createElement('div');
  const picture = svgElement('svg', {width: '100%', height: '100%', preserveAspectRatio: 'none'});
  box.append(picture);
  return box;
}

// The widget's picture, redrawn only when what it shows changed.
function drawWidget(box, control, width, height) {
  const key = JSON.stringify([control.class, control.text, control.widget, width, height]);
  if (box.dataset.drawn === key) return;
  box.dataset.drawn = key;
  const picture = box.firstChild;
  picture.setAttribute('viewBox', `0 0 ${width} ${height}`);
  picture.replaceChildren();
  const draw = kWidgetPainters[control.class];
  if (draw) draw(picture, control, width, height);
  if (control.widget && control.widget.angle !== undefined) box.dataset.angle = control.widget.angle;
  if (control.widget && control.widget.value !== undefined) box.dataset.value = control.widget.value;
}

const kWidgetPainters = {
  'bar-graph': paintBarGraph,
  'encoder-diagram': paintEncoderDial,
  'phase-diagram': paintPhaseDiagram,
};

// The bar runs from the reference to the value, each held within the
// limits; the label reads the value as the dialog formats it.
function paintBarGraph(picture, control, width, height) {
  const bar = control.widget;
  const labelWidth = Math.min(56, width / 3);
  const track = width - labelWidth - 4;
  picture.append(svgElement('rect', {x: 1, y: 1, width: track, height: height - 2, fill: '#f4f4f4', stroke: '#b0b0b0'}));
  if (bar && bar.high > bar.low) {
    const at = (v) => 1 + (track - 2) * (Math.min(Math.max(v, bar.low), bar.high) - bar.low) / (bar.high - bar.low);
    const from = at(bar.reference);
    const to = at(bar.value);
    picture.append(svgElement('rect', {class: 'bar', x: Math.min(from, to), y: 3, width: Math.max(Math.abs(to - from), 1),
                                       height: Math.max(height - 6, 1), fill: bar.color}));
    picture.append(svgElement('line', {x1: from, x2: from, y1: 1, y2: height - 1, stroke: '#555', 'stroke-width': 1}));
  }
  const label = svgElement('text', {x: width - 2, y: height / 2, 'text-anchor': 'end', 'dominant-baseline': 'middle'});
  label.textContent = control.text;
  picture.append(label);
}

// A dial with the pointer at the shaft's angle, 0 at the top, turning
// clockwise as the encoder counts up; the angle's caption in the middle.
function paintEncoderDial(picture, control, width, height) {
  const cx = width / 2;
  const cy = height / 2;
  const r = Math.max(Math.min(width, height) / 2 - 3, 4);
  picture.append(svgElement('circle', {cx, cy, r, fill: '#fafafa', stroke: '#7a7a7a'}));
  for (let tick = 0; tick < 12; ++tick) {
    const a = (tick * Math.PI) / 6;
    const inner = tick % 3 === 0 ? r * 0.78 : r * 0.88;
    picture.append(svgElement('line', {x1: cx + inner * Math.sin(a), y1: cy - inner * Math.cos(a),
                                       x2: cx + r * Math.sin(a), y2: cy - r * Math.cos(a), stroke: '#7a7a7a'}));
  }
  const angle = control.widget ? control.widget.angle : 0;
  picture.append(svgElement('line', {class: 'pointer', x1: cx, y1: cy, x2: cx + r * 0.9 * Math.sin(angle),
                                     y2: cy - r * 0.9 * Math.cos(angle), stroke: '#c42b1c', 'stroke-width': 2,
                                     'stroke-linecap': 'round'}));
  picture.append(svgElement('circle', {cx, cy, r: 2.5, fill: '#c42b1c'}));
  const label = svgElement('text', {x: cx, y: cy + r * 0.45, 'text-anchor': 'middle', 'dominant-baseline': 'middle'});
  label.textContent = control.text;
  picture.append(label);
}

// The stator's phase axes (two a quarter turn apart, or three a third of a
// turn apart), the vector the phases make, scaled so that "full" reaches
// the circle, and the caption.
function paintPhaseDiagram(picture, control, width, height) {
  const diagram = control.widget;
  const cx = width / 2;
  const cy = height / 2;
  const r = Math.max(Math.min(width, height) / 2 - 10, 4);
  picture.append(svgElement('circle', {cx, cy, r, fill: 'none', stroke: '#b0b0b0'}));
  const three = diagram && diagram.phases === 3;
  const axes = three ? [['A', 0], ['B', 2 * Math.PI / 3], ['C', 4 * Math.PI / 3]] : [['A', 0], ['B', Math.PI / 2]];
  for (const [name, a] of axes) {
    const x = cx + r * Math.cos(a);
    const y = cy - r * Math.sin(a);
    picture.append(svgElement('line', {x1: cx, y1: cy, x2: x, y2: y, stroke: '#b0b0b0', 'stroke-width': 1}));
    const label = svgElement('text', {x: x + 4 * Math.cos(a), y: y - 4 * Math.sin(a), 'text-anchor': 'middle'});
    label.textContent = name;
    picture.append(label);
  }
  if (diagram && diagram.full > 0) {
    const length = r * Math.min(diagram.magnitude / diagram.full, 1);
    picture.append(svgElement('line', {class: 'vector', x1: cx, y1: cy, x2: cx + length * Math.cos(diagram.angle),
                                       y2: cy - length * Math.sin(diagram.angle), stroke: '#1e6fd9', 'stroke-width': 2}));
  }
  const caption = svgElement('text', {x: cx, y: height - 2, 'text-anchor': 'middle'});
  caption.textContent = control.text;
  picture.append(caption);
}
