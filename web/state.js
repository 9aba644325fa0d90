// The ball's state in words, for the page's panel: its position and
// velocity as the program holds them, whether it moves, and what of the room
// it touches.

// The shortest decimal that reads back as the same single-precision number,
// so that one float is always written the same way, and two floats never
// the same way.
export function floatText(value) {
  if (Object.is(value, -0)) return '-0';
  if (!Number.isFinite(value)) return String(value);
  let text = value.toPrecision(9);
  for (let digits = 1; digits < 9; digits++) {
    const shorter = value.toPrecision(digits);
    if (Math.fround(Number(shorter)) === value) {
      text = shorter;
      break;
    }
  }
  return String(Number(text));
}

// The room's triangles, each a right triangle with legs of LEG along two
// axes (u, v) in the plane where the third axis (w) is 0: 0 is x, 1 y, 2 z.
const LEG = 7;
const TRIANGLES = [
  { name: 'the floor', u: 0, v: 2, w: 1 },
  { name: 'the wall at z = 0', u: 0, v: 1, w: 2 },
  { name: 'the wall at x = 0', u: 1, v: 2, w: 0 },
];
// Contact leaves the ball's surface on the triangle up to single-precision
// rounding, far less than this.
const TOUCH = 1e-4;

function nearestOnSegment(p, a, b) {
  const d = [b[0] - a[0], b[1] - a[1]];
  const t = ((p[0] - a[0]) * d[0] + (p[1] - a[1]) * d[1]) / (d[0] * d[0] + d[1] * d[1]);
  const s = Math.min(1, Math.max(0, t));
  return [a[0] + s * d[0], a[1] + s * d[1]];
}

// The distance from a point to one of the triangles.
function distance(point, { u, v, w }) {
  const p = [point[u], point[v]];
  let near = p;
  if (p[0] < 0 || p[1] < 0 || p[0] + p[1] > LEG) {
    const corners = [[0, 0], [LEG, 0], [0, LEG]];
    near = [0, 1, 2]
      .map((i) => nearestOnSegment(p, corners[i], corners[(i + 1) % 3]))
      .reduce((best, q) => (Math.hypot(q[0] - p[0], q[1] - p[1]) <
        Math.hypot(best[0] - p[0], best[1] - p[1]) ? q : best));
  }
  return Math.hypot(near[0] - p[0], near[1] - p[1], point[w]);
}

// What the picture shows, in words, for a ball at position with velocity and
// radius: "at rest, touching the floor", "moving, clear of the floor and
// walls", and so on.
export function stateWords(position, velocity, radius) {
  if (![...position, ...velocity].every(Number.isFinite)) {
    return 'lost: its position or velocity is not a finite number';
  }
  const motion = velocity.every((c) => c === 0) ? 'at rest' : 'moving';
  const touching = [];
  const into = [];
  for (const triangle of TRIANGLES) {
    const gap = distance(position, triangle) - radius;
    if (Math.abs(gap) <= TOUCH) touching.push(triangle.name);
    else if (gap < 0) into.push(triangle.name);
  }
  const parts = [motion];
  if (touching.length) parts.push('touching ' + touching.join(' and '));
  if (into.length) parts.push('cutting into ' + into.join(' and '));
  if (parts.length === 1) parts.push('clear of the floor and walls');
  return parts.join(', ');
}

// The panel's lines from the program's state: position x, y, z, velocity
// x, y, z, radius and camera angle, as the program's reader gives them.
export function describe(state, steps) {
  const position = state.slice(0, 3);
  const velocity = state.slice(3, 6);
  const vector = (v) => '(' + v.map(floatText).join(', ') + ')';
  return {
    words: 'The ball is ' + stateWords(position, velocity, state[6]) + '.',
    position: vector(position),
    velocity: vector(velocity) + ' per 300 steps',
    step: steps.toLocaleString('en'),
    camera: state[7].toFixed(4) + ' radians',
  };
}
