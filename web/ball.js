// The six numbers of a drop, read from the page's fields and from a link.

// A field's text as the number to send, or the reason it cannot be sent.
// The program reads single-precision numbers, so a finite number beyond
// their range would be refused by it; a decimal comma, which some phones'
// keypads offer instead of a point, is read as a point.
export function fieldNumber(text) {
  let t = text.trim();
  if (!t.includes('.') && (t.match(/,/g) || []).length === 1) t = t.replace(',', '.');
  if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(t)) {
    return { problem: t === '' ? 'Enter a number.' : 'Not a number.' };
  }
  if (!Number.isFinite(Math.fround(Number(t)))) return { problem: 'Too large for the program.' };
  return { number: t };
}

// The six numbers of a link's ball value (?ball=x,y,z,vx,vy,vz), as
// written, or the reason it is not one. Only plain decimal numbers are
// taken (no names such as NaN or Infinity, no hexadecimal), each within the
// program's single precision.
export function parseBall(value) {
  const parts = value.split(',').map((part) => part.trim());
  if (parts.length !== 6) {
    return { problem: 'it has ' + parts.length + (parts.length === 1 ? ' value' : ' values') +
      ' instead of six' };
  }
  for (const part of parts) {
    if (fieldNumber(part).problem) {
      const shown = part.length > 24 ? part.slice(0, 24) + '…' : part;
      return { problem: '"' + shown + '" is not a finite number the program can take' };
    }
  }
  return { numbers: parts };
}

// The ball value of an address's query (its search part), or null when it
// asks for no drop.
export function ballOfQuery(search) {
  const value = new URLSearchParams(search).get('ball');
  return value === null ? null : parseBall(value);
}
