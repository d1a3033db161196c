// The page's start, before the program. The faces come with the page, and nothing is drawn before
// they are in, so that nothing shows in another face first. Then the first screen shows, before
// the program has loaded. The program starts once that screen is painted, so that its loading
// does not hold the paint up, and puts its own window in the screen's place. A file of its own
// rather than a script in the page, so that a host's Content-Security-Policy needs no
// 'unsafe-inline'.
'use strict';
// Every failure of the page's own glue (audio, the timer worker, the faces, storage, the service
// worker) is said once on the console and costs only what it must: the clock runs on.
var xrTold = new Set();
function XrFailed(what, why) {
  if (xrTold.has(what)) return;
  xrTold.add(what);
  console.warn('xiuran-timer: ' + why);
}
// What was clicked on the first screen before the program came, which the program then gets.
var XrEarlyClicks = [];
var XrFaces = (function () {
  var here = document.currentScript.src.replace(/[^/]*$/, '');
  try {
    return Promise.all([['宋体', 'fonts/uming.woff2'], ['楷体', 'fonts/ukai.woff2']].map(
        function (f) {
          return new FontFace(f[0], 'url("' + here + f[1] + '")').load().then(function (face) {
            document.fonts.add(face);
          });
        })).catch(function (e) { XrFailed('fonts', 'a face did not load: ' + e); });
  } catch (e) {
    XrFailed('fonts', 'the faces cannot be loaded here: ' + e);
    return Promise.resolve();
  }
})();
(function () {
  var started = false;
  function start() {
    if (started) return;
    started = true;
    var module = document.getElementById('xr-module').content.querySelector('script');
    var script = document.createElement('script');
    script.src = module.getAttribute('src');
    document.body.appendChild(script);
  }
  XrFaces.then(function () {
    var first = document.getElementById('xr-first');
    if (!first) return start();
    first.addEventListener('click', function (e) {
      var control = e.target.closest('[data-xr-first]');
      if (control) XrEarlyClicks.push(control.dataset.xrFirst);
    });
    first.hidden = false;
    // A tab opened behind others paints nothing until it is shown, and a browser that does not
    // report its paints never says.
    setTimeout(start, 500);
    try {
      new PerformanceObserver(function (list, observer) {
        if (!list.getEntriesByName('first-contentful-paint').length) return;
        observer.disconnect();
        start();
      }).observe({type: 'paint', buffered: true});
    } catch (e) {
      // started by the timeout
    }
  });
})();
