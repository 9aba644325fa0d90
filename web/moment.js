// A link to a moment: ?ball=x,y,z,vx,vy,vz&at=A&pause=P drops the ball as
// ?ball= does, but after step A, and pauses once step P has run; ?pause=P
// alone pauses at step P with no drop. The simulation does the same on every
// run, so the moment is shown exactly as it was.

// Further than this the page would take many minutes to go.
export const MOST_STEPS = 1000000;

function stepNumber(params, name) {
  const values = params.getAll(name);
  if (values.length > 1) return { problem: name + '= is given ' + values.length + ' times' };
  const text = values[0];
  const shown = text.length > 24 ? text.slice(0, 24) + '…' : text;
  if (!/^\d+$/.test(text)) return { problem: name + '="' + shown + '" is not a whole number' };
  const step = Number(text);
  if (step < 1) return { problem: name + '=0 names no step: the first step is 1' };
  if (step > MOST_STEPS) {
    return { problem: name + '=' + shown + ' is beyond step ' + MOST_STEPS.toLocaleString('en') };
  }
  return { step };
}

// The moment the address asks for: null for none, {at, pause} (at null
// without a drop), or {problem} saying what is wrong with it.
export function parseMoment(params) {
  const has = (name) => params.has(name);
  if (!has('at') && !has('pause')) return null;
  if (!has('pause')) return { problem: 'at= comes without pause=, the step to pause at' };
  if (has('ball') !== has('at')) {
    return { problem: has('at') ? 'at= comes without ball=, the drop made at that step'
      : 'ball= comes without at=, the step the drop was made at' };
  }
  const pause = stepNumber(params, 'pause');
  if (pause.problem) return pause;
  if (!has('at')) return { at: null, pause: pause.step };
  const at = stepNumber(params, 'at');
  if (at.problem) return at;
  if (pause.step < at.step) {
    return { problem: 'pause=' + pause.step + ' comes before the drop at=' + at.step };
  }
  return { at: at.step, pause: pause.step };
}

// The address's query for a moment: the drop's numbers and step, or null
// for none, and the step to pause at.
export function momentQuery(drop, pause) {
  const ball = drop ? 'ball=' + drop.numbers.map(encodeURIComponent).join(',') + '&at=' + drop.at +
    '&' : '';
  return '?' + ball + 'pause=' + pause;
}
