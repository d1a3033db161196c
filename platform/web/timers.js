// The page's timers, each due at a time of the page's clock (performance.timeOrigin and now(),
// which a worker shares). Whatever is due when the queue wakes goes out in one call, earliest
// first, so timers due together (the tick, the blink, the idle watch) wake the page once. Armed a
// little apart in one handler, they fall due up to a millisecond or two apart, so the queue waits
// for the last of those due within 4 ms of the first: a tick a few milliseconds late is not seen,
// and the core times the next one from when this one was due.
//
// The same file is the timer worker (a hidden tab's own timers are slowed down to once a minute,
// a worker's are not) and, inside the page's script, the page's own timers for a browser that
// gives it no worker.
function XrTimerQueue(fire) {
  'use strict';
  var due = new Map(), wake = 0;
  function now() { return performance.timeOrigin + performance.now(); }
  function schedule() {
    clearTimeout(wake);
    wake = 0;
    var first = Infinity, last;
    due.forEach(function (at) { first = Math.min(first, at); });
    if (first === Infinity) return;
    last = first;
    due.forEach(function (at) { if (at <= first + 4) last = Math.max(last, at); });
    wake = setTimeout(run, Math.max(0, Math.ceil(last - now())));
  }
  function run() {
    var t = now(), out = [];
    due.forEach(function (at, id) { if (at <= t) out.push([at, id]); });
    out.sort(function (a, b) { return a[0] - b[0]; });
    out.forEach(function (e) { due.delete(e[1]); });
    if (out.length) fire(out.map(function (e) { return e[1]; }));
    schedule();
  }
  // pairs: a timer's id, then the time it is due at, or -1 to cancel it.
  return function set(pairs) {
    for (var i = 0; i < pairs.length; i += 2) {
      if (pairs[i + 1] >= 0) due.set(pairs[i], pairs[i + 1]); else due.delete(pairs[i]);
    }
    schedule();
  };
}
if (typeof document === 'undefined' && typeof postMessage === 'function') {
  var xrTimers = XrTimerQueue(function (ids) { postMessage(ids); });
  onmessage = function (e) { xrTimers(e.data); };
}
