// The page's side of the web platform: it builds and changes the DOM as the C++ layer asks, by
// the numbers that layer gives windows, controls and timers, and hands every user action back
// to it. It decides nothing: the rules are the core's.
var XrPage = (function () {
  'use strict';
  var windows = new Map();  // id -> {root, client, isPage, controls: []}
  var controls = new Map(); // id -> {el, kind, window}
  var pageId = 0;
  var topZ = 10;
  var audio = null;
  var cue = null;       // {channels: [Float32Array], frames, rate}
  var cueBuffer = null; // the cue as an AudioBuffer, made at its first playing
  var playing = null;

  // Timers come from a worker (timers.js), started with the first timer rather than before the
  // first frame. The timers a handler arms go to it together once the handler returns. A browser
  // that gives the page no worker, or a worker that fails, leaves the page's own timers: the clock
  // runs on, late in a hidden tab. What the worker holds is kept here too, for that change.
  var worker = null, ownTimers = null, armed = [], held = new Map();
  function timersDue(ids) {
    ids.forEach(function (id) { Module['_xr_timer_due'](id); });
  }
  function withoutWorker(why) {
    XrFailed('worker', 'time is kept by the page itself, which a hidden tab slows down: ' + why);
    if (worker) worker.terminate();
    worker = null;
    ownTimers = XrTimerQueue(timersDue);
    var pairs = [];
    held.forEach(function (at, id) { pairs.push(id, at); });
    held.clear();
    ownTimers(pairs);
  }
  function startWorker() {
    try {
      worker = new Worker(locateFile('timers.js'));
    } catch (e) {
      return withoutWorker(e);
    }
    worker.onmessage = function (e) {
      var t = performance.timeOrigin + performance.now();
      e.data.forEach(function (id) { if (held.get(id) <= t) held.delete(id); });
      timersDue(e.data);
    };
    worker.onerror = function (e) { withoutWorker(e.message || 'the worker did not start'); };
  }
  function sendArmed() {
    var pairs = armed;
    armed = [];
    if (ownTimers) return ownTimers(pairs);
    for (var i = 0; i < pairs.length; i += 2) {
      if (pairs[i + 1] >= 0) held.set(pairs[i], pairs[i + 1]); else held.delete(pairs[i]);
    }
    worker.postMessage(pairs);
  }

  // What the browser fetches for the page beside the page itself comes after the first frame: the
  // program's resources (the cue, 825 kB, first needed three seconds into a countdown), the
  // icon (193 kB) and the manifest, whose icon the browser had the page download while that frame
  // waited on the page's thread to be committed. A page served from an address the browser trusts
  // keeps its files for a reload offline, through a worker whose own fetches would compete too.
  function afterFirstFrame() {
    fetchResources();
    [['icon', 'icons/app.ico'], ['manifest', 'manifest.webmanifest']].forEach(function (l) {
      var link = document.createElement('link');
      link.rel = l[0];
      link.href = l[1];
      document.head.appendChild(link);
    });
    if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
    try {
      navigator.serviceWorker.register('sw.js').catch(function (e) {
        XrFailed('service worker', 'the page is not kept for offline use: ' + e);
      });
    } catch (e) {
      XrFailed('service worker', 'the page is not kept for offline use: ' + e);
    }
  }

  function colour(c) {
    c = c >>> 0;
    if (c & 0x80000000) {
      // The system colours the program uses, as a plain light desktop draws them.
      switch (c & 0xff) {
        case 5: return '#ffffff';
        case 11: case 15: return '#f0f0f0';
        default: return '#000000';
      }
    }
    return 'rgb(' + (c & 255) + ',' + ((c >>> 8) & 255) + ',' + ((c >>> 16) & 255) + ')';
  }
  var kButtonFace = 0x8000000B;

  // The program's two faces come with the page and are cut to what the program shows, so that
  // the page looks the same on every machine and no system font is looked up before the first
  // frame (a local() source cost a lookup of every name it gave, 15-20 ms of the page's start).
  function families(face) {
    return (face === '楷体' ? '"楷体"' : '"宋体"') + ', serif';
  }

  // The program starts once the faces are in (the page loads them, and says so when one fails),
  // so that no control is first drawn in another face.
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function () {
    addRunDependency('xr-page');
    XrFaces.then(function () { removeRunDependency('xr-page'); });
  });
  // The program's resources (the cue), fetched once the program shows, so that a slow network
  // does not hold the program back for them. LoadResource finds one on its way as empty, and one
  // that did not come missing, as a file that is not there would be.
  var resources = new Map(XrResources.map(function (name) { return [name, null]; }));
  function fetchResources() {
    XrResources.forEach(function (name) {
      fetch(name)
          .then(function (r) {
            if (!r.ok) throw new Error(r.status);
            return r.arrayBuffer();
          })
          .then(function (b) { resources.set(name, new Uint8Array(b)); }, function (e) {
            resources.delete(name);
            XrFailed(name, name + ' did not load, so no cue will be heard: ' + e);
          });
    });
  }

  function windowOf(node) {
    for (var n = node; n && n.nodeType === 1; n = n.parentNode) {
      if (n.dataset && n.dataset.xrWindow) return Number(n.dataset.xrWindow);
      if (n.classList.contains('xr-modal')) return 0;
    }
    return pageId;
  }

  function focus(id) {
    if (controls.has(id)) controls.get(id).el.focus();
  }

  // The keyboard's order stays within the window that has the focus: the tabindex numbers are
  // each window's own, so the browser's page-wide order ran through every window's controls mixed.
  // A box keeps the focus while it is open; the page's own window hands it on to the browser at
  // its ends while no box is open.
  function tabWithin(e) {
    if (e.key !== 'Tab' || e.defaultPrevented || e.altKey || e.ctrlKey || e.metaKey) return;
    var w = windows.get(windowOf(e.target));
    if (!w) return;
    var order = Array.prototype.filter.call(w.root.querySelectorAll('button, [tabindex]'),
        function (el) {
          return el.tabIndex >= 0 && el.getClientRects().length &&
              getComputedStyle(el).visibility !== 'hidden';
        });
    order = order.map(function (el, i) { return [el.tabIndex || Infinity, i, el]; })
        .sort(function (a, b) { return a[0] - b[0] || a[1] - b[1]; })
        .map(function (p) { return p[2]; });
    if (!order.length) return;
    var at = order.indexOf(document.activeElement), step = e.shiftKey ? -1 : 1;
    var to = at < 0 ? (step > 0 ? 0 : order.length - 1) : at + step;
    if (to < 0 || to >= order.length) {
      if (w.isPage && windows.size === 1) return;
      to = (to + order.length) % order.length;
    }
    e.preventDefault();
    order[to].focus();
  }
  document.addEventListener('keydown', tabWithin);

  // What was clicked on the first screen before the program came is clicked again in its window.
  function clickedEarly(root) {
    queueMicrotask(function () {
      XrEarlyClicks.splice(0).forEach(function (name) {
        var el = root.querySelector('[data-name="' + name + '"]');
        if (el) el.click();
      });
    });
  }

  // A label in the keyboard's order is pressed by Space and Enter as a button is: Enter as it
  // goes down, Space as it comes up after going down on the label. A key the core used up never
  // reaches the label (onKey stops it first).
  function pressedByKeys(el) {
    var spaceDown = false;
    el.addEventListener('keydown', function (e) {
      if (e.key === 'Enter') el.click();
      if (e.key !== ' ') return;
      e.preventDefault();
      spaceDown = true;
    });
    el.addEventListener('keyup', function (e) {
      if (e.key !== ' ' || !spaceDown) return;
      spaceDown = false;
      el.click();
    });
    el.addEventListener('blur', function () { spaceDown = false; });
  }

  function reportFrame(id) {
    var w = windows.get(id);
    Module['_xr_frame_moved'](id, w.root.offsetLeft, w.root.offsetTop, w.root.offsetWidth,
                              w.root.offsetHeight);
  }

  // A box stays within the viewport, so that its title bar can always be reached again.
  function place(id, left, top) {
    var root = windows.get(id).root;
    var right = window.innerWidth - root.offsetWidth, bottom = window.innerHeight - root.offsetHeight;
    root.style.left = Math.max(0, Math.min(Math.round(left), right)) + 'px';
    root.style.top = Math.max(0, Math.min(Math.round(top), bottom)) + 'px';
    reportFrame(id);
  }

  function makeMovable(id, bar) {
    var from = null;
    bar.addEventListener('pointerdown', function (e) {
      if (e.button !== 0 || e.target.tagName === 'BUTTON') return;
      var root = windows.get(id).root;
      from = {x: e.clientX - root.offsetLeft, y: e.clientY - root.offsetTop};
      bar.setPointerCapture(e.pointerId);
    });
    bar.addEventListener('pointermove', function (e) {
      if (!from || !windows.has(id)) return;
      place(id, e.clientX - from.x, e.clientY - from.y);
    });
    bar.addEventListener('pointerup', function () { from = null; });
  }

  // A running context renders silence when it has nothing to play, which kept the browser's
  // audio service busy for as long as the page was open: it runs only while the cue sounds.
  // Resumed once during a click or a key, it may resume later without one. A browser without Web
  // Audio, or one that refuses a context (NotAllowedError), leaves the clock running unheard.
  var unlocked = false;
  function noAudio(e) {
    XrFailed('audio', 'no cue will be heard: ' + e);
  }
  function context() {
    if (audio === null) {
      try {
        audio = new AudioContext();
      } catch (e) {
        audio = false;
        noAudio(e);
      }
    }
    return audio;
  }
  function rest() {
    if (audio && !playing && audio.state === 'running') audio.suspend().catch(noAudio);
  }
  function unlockAudio() {
    if (unlocked || !context()) return;
    audio.resume().then(function () {
      unlocked = true;
      rest();
    }, noAudio);
  }

  function play() {
    if (!cueBuffer) {
      // At the file's own rate: the context resamples as it plays.
      cueBuffer = audio.createBuffer(cue.channels.length, cue.frames, cue.rate);
      cue.channels.forEach(function (d, ch) { cueBuffer.copyToChannel(d, ch); });
    }
    if (playing) {
      try { playing.stop(); } catch (e) { /* already ended */ }
    }
    var source = audio.createBufferSource();
    source.buffer = cueBuffer;
    source.connect(audio.destination);
    source.onended = function () {
      if (playing !== source) return;
      playing = null;
      rest();
    };
    playing = source;
    audio.resume().catch(noAudio);
    source.start(0);
  }

  // The screen stays on while the core holds it. The browser lets go of the lock whenever the
  // page is hidden, so it is asked for again each time the page shows while still held. A browser
  // without the lock, or one that refuses it, leaves the screen to its own rules: said once.
  var screenHeld = false, screenLock = null, askingLock = false, toldLock = false, watching = false;
  function lockRefused(why) {
    if (toldLock) return;
    toldLock = true;
    console.log('xiuran-timer: the screen may sleep while the clock runs: ' + why);
  }
  function askLock() {
    if (!screenHeld || screenLock || askingLock || document.hidden) return;
    if (!('wakeLock' in navigator)) return lockRefused('this browser keeps no screen awake');
    askingLock = true;
    var asked;
    try {
      asked = navigator.wakeLock.request('screen');
    } catch (e) {
      asked = Promise.reject(e);
    }
    asked.then(function (lock) {
      askingLock = false;
      if (!screenHeld) return lock.release();  // let go of while it was being asked for
      screenLock = lock;
      lock.addEventListener('release', function () {
        if (screenLock === lock) screenLock = null;
      });
    }, function (e) {
      askingLock = false;
      lockRefused(e);
    });
  }

  function onKey(e, down) {
    if (!pageId) return;
    var w = windowOf(e.target);
    if (!w) return;  // the message box's own keys
    if (Module['_xr_key'](w, e.keyCode >>> 0, down ? 1 : 0)) {
      e.preventDefault();
      e.stopPropagation();
    }
  }
  document.addEventListener('keydown', function (e) { onKey(e, true); }, true);
  document.addEventListener('keyup', function (e) { onKey(e, false); }, true);
  document.addEventListener('pointerdown', unlockAudio, true);
  document.addEventListener('keydown', unlockAudio, true);
  document.addEventListener('mousemove', function (e) {
    if (pageId) Module['_xr_pointer_moved'](Math.round(e.clientX), Math.round(e.clientY));
  }, true);
  window.addEventListener('resize', function () {
    if (pageId) Module['_xr_viewport_resized'](window.innerWidth, window.innerHeight);
    windows.forEach(function (w, id) {
      if (!w.isPage) place(id, w.root.offsetLeft, w.root.offsetTop);
    });
  });
  window.addEventListener('blur', function () {
    windows.forEach(function (w, id) { Module['_xr_keyboard_lost'](id); });
  });

  return {
    buildWindow: function (id, isPage, caption, width, height, back, picture, icon) {
      var w = {isPage: isPage, controls: []};
      if (isPage) {
        w.root = w.client = document.createElement('div');
        w.root.id = 'xr-page';
        // The page's first screen, shown while the program loaded, gives way to the program's own.
        var first = document.getElementById('xr-first');
        if (first) first.remove();
        document.title = caption;
        pageId = id;
        // A tap lands where the pointer already was, so no movement reports it to the idle watch.
        w.root.addEventListener('pointerdown', function () {
          Module['_xr_pointer_pressed'](id);
        }, true);
      } else {
        w.root = document.createElement('div');
        w.root.className = 'xr-box';
        w.root.setAttribute('role', 'dialog');
        w.root.setAttribute('aria-label', caption);
        var bar = document.createElement('div');
        bar.className = 'xr-bar';
        if (icon) {
          var img = document.createElement('img');
          img.src = icon;
          img.alt = '';
          bar.appendChild(img);
        }
        var title = document.createElement('span');
        title.textContent = caption;
        bar.appendChild(title);
        var close = document.createElement('button');
        close.className = 'xr-close';
        close.type = 'button';
        close.textContent = '×';
        close.setAttribute('aria-label', '关闭');
        close.addEventListener('click', function () { Module['_xr_close_requested'](id); });
        bar.appendChild(close);
        w.root.appendChild(bar);
        makeMovable(id, bar);
        w.root.addEventListener('keydown', function (e) {
          if (e.key !== 'Escape' || e.defaultPrevented) return;
          e.preventDefault();
          Module['_xr_close_requested'](id);
        });
        w.client = document.createElement('div');
        w.client.className = 'xr-client';
        w.client.style.width = width + 'px';
        w.client.style.height = height + 'px';
        w.root.appendChild(w.client);
      }
      w.root.dataset.xrWindow = String(id);
      w.root.style.visibility = 'hidden';
      w.client.style.backgroundColor = colour(back);
      if (picture) {
        // Drawn unscaled from the top-left corner; a scaled screen takes the copy with twice
        // the pixels, at the same size, rather than an enlarged blur.
        var high = picture.replace(/(\.[a-z]+)$/, '@2x$1');
        w.client.style.backgroundImage = XrHighPictures.indexOf(picture) >= 0
            ? 'image-set(url("' + picture + '") 1x, url("' + high + '") 2x)'
            : 'url("' + picture + '")';
      }
      document.body.appendChild(w.root);
      windows.set(id, w);
      return id;
    },
    // tabPlace: the control's place in the keyboard's order from 1, 0 when not in it.
    addControl: function (window, id, kind, name, text, tabPlace, alignLeft, wordWrap, transparent) {
      var el;
      if (kind === 1) {
        el = document.createElement('button');
        el.type = 'button';
        el.textContent = text;
      } else if (kind === 2) {
        el = document.createElement('img');
        el.alt = '';
        el.draggable = false;
      } else {
        el = document.createElement('div');
        el.className = 'xr-label';
        el.textContent = text;
        el.style.textAlign = alignLeft ? 'left' : 'center';
        if (wordWrap) el.style.whiteSpace = 'pre-wrap';
        if (tabPlace) pressedByKeys(el);
      }
      if (tabPlace || kind === 1) el.tabIndex = tabPlace || -1;
      el.classList.add('xr-c');
      el.dataset.name = name;  // the control's name in the program, for whoever reads the page
      el.addEventListener('click', function () { Module['_xr_clicked'](id); });
      var w = windows.get(window);
      w.client.appendChild(el);
      w.controls.push(id);
      controls.set(id, {el: el, kind: kind, window: window});
    },
    setText: function (id, text) {
      var el = controls.get(id).el;
      el = el.firstElementChild || el;  // a clock's digit, hidden from readers
      if (el.textContent !== text) el.textContent = text;
    },
    // -1: missing, -2: on its way.
    resourceSize: function (name) {
      var r = resources.get(name);
      return r ? r.length : r === null ? -2 : -1;
    },
    copyResource: function (name, to) { HEAPU8.set(resources.get(name), to); },
    setPicture: function (id, resource) { controls.get(id).el.src = resource; },
    setGeometry: function (id, left, top, width, height) {
      var s = controls.get(id).el.style;
      s.left = left + 'px';
      s.top = top + 'px';
      s.width = width + 'px';
      s.height = height + 'px';
    },
    setColors: function (id, fore, back) {
      var s = controls.get(id).el.style;
      s.color = colour(fore);
      // A colour of the program's own that means something (the red of the last seconds) stays
      // in forced colours, where the system's would stand for it.
      var c = fore >>> 0, grey = (c & 255) === ((c >>> 8) & 255) && (c & 255) === ((c >>> 16) & 255);
      s.forcedColorAdjust = (c & 0x80000000) || grey ? '' : 'none';
      s.backgroundColor = (back >>> 0) === kButtonFace ? '' : colour(back);
    },
    setFont: function (id, face, px, bold) {
      var s = controls.get(id).el.style;
      s.fontFamily = families(face);
      s.fontSize = px + 'px';
      s.fontWeight = bold ? 'bold' : 'normal';
    },
    setVisible: function (id, visible) {
      // Hidden in place rather than taken out of the layout: the colon blinks twice a second, and
      // the idle watch hides the hidden chrome again every second.
      var s = controls.get(id).el.style, v = visible ? '' : 'hidden';
      if (s.visibility !== v) s.visibility = v;
    },
    focus: focus,
    // role: the core's Role (1 text, 2 button, 3 radio button, 4 image, 5 clock).
    setAccess: function (id, role, name, description, checked, folded) {
      var el = controls.get(id).el;
      function attr(key, value) {
        if (value === null) {
          if (el.hasAttribute(key)) el.removeAttribute(key);
        } else if (el.getAttribute(key) !== value) {
          el.setAttribute(key, value);
        }
      }
      attr('aria-hidden', folded ? 'true' : null);
      if (folded) return;
      var native = (el.tagName === 'BUTTON' && role === 2) || (el.tagName === 'IMG' && role === 4);
      // A clock is one element whose name is the whole face: its digits are folded into it.
      attr('role', native ? null : ({1: null, 2: 'button', 3: 'radio', 4: 'img', 5: 'img'})[role]);
      if (role === 5 && !el.firstElementChild) {
        var digit = document.createElement('span');
        digit.setAttribute('aria-hidden', 'true');
        digit.textContent = el.textContent;
        el.textContent = '';
        el.appendChild(digit);
      }
      if (el.tagName === 'IMG') {
        if (el.alt !== name) el.alt = name;
      } else {
        // A name that is the caption is left to the caption, so that the two never differ.
        attr('aria-label', name === el.textContent ? null : name);
      }
      attr('aria-checked', role === 3 ? String(!!checked) : null);
      attr('aria-description', description || null);
    },
    announce: function (text) {
      var live = document.getElementById('xr-live');
      // Emptied first, so that the same words said twice are said again.
      live.textContent = '';
      setTimeout(function () { live.textContent = text; }, 50);
    },
    // first: the control that takes the focus as the window first shows, 0 for none.
    showCentred: function (id, again, first) {
      var w = windows.get(id);
      w.root.style.visibility = '';
      if (w.isPage) {
        // Laid out at the viewport's size before the focus, which lays the page out at once.
        Module['_xr_viewport_resized'](window.innerWidth, window.innerHeight);
        if (!again) focus(first);
        if (!again) clickedEarly(w.root);
        if (!again) requestAnimationFrame(function () { setTimeout(afterFirstFrame); });
        return;
      }
      w.root.style.zIndex = String(++topZ);
      w.root.style.left = Math.max(0, Math.round((window.innerWidth - w.root.offsetWidth) / 2)) + 'px';
      w.root.style.top = Math.max(0, Math.round((window.innerHeight - w.root.offsetHeight) / 2)) + 'px';
      if (!again) {
        // The focus goes back where it came from when the box closes.
        w.opener = document.activeElement;
        focus(first);
      }
      reportFrame(id);
    },
    activate: function (id, first) {
      var w = windows.get(id);
      if (!w.isPage) w.root.style.zIndex = String(++topZ);
      if (!w.root.contains(document.activeElement)) focus(first);
    },
    removeWindow: function (id) {
      var w = windows.get(id);
      if (!w) return;
      w.controls.forEach(function (c) { controls.delete(c); });
      var hadFocus = w.root.contains(document.activeElement);
      w.root.remove();
      if (hadFocus && w.opener && w.opener.isConnected) w.opener.focus();
      windows.delete(id);
      if (id === pageId) pageId = 0;
    },
    armTimer: function (id, ms) {
      if (!worker && !ownTimers) startWorker();
      if (!armed.length) queueMicrotask(sendArmed);
      armed.push(id, ms < 0 ? -1 : performance.timeOrigin + performance.now() + ms);
    },
    messageBox: function (text, caption) {
      var before = document.activeElement;
      var modal = document.createElement('div');
      modal.className = 'xr-modal';
      var box = document.createElement('div');
      box.className = 'xr-box xr-message';
      box.setAttribute('role', 'alertdialog');
      box.setAttribute('aria-modal', 'true');
      box.setAttribute('aria-label', caption);
      var bar = document.createElement('div');
      bar.className = 'xr-bar';
      var title = document.createElement('span');
      title.textContent = caption;
      bar.appendChild(title);
      var body = document.createElement('div');
      body.className = 'xr-message-text';
      body.textContent = text;
      var ok = document.createElement('button');
      ok.type = 'button';
      ok.textContent = '确定';
      var closed = false;
      function close() {
        if (closed) return;
        closed = true;
        modal.remove();
        if (before && before.focus) before.focus();
        Module['_xr_box_closed']();
      }
      ok.addEventListener('click', close);
      box.addEventListener('keydown', function (e) {
        if (e.key === 'Escape') close();
        if (e.key === 'Tab') e.preventDefault();  // modal: the focus stays on its one button
      });
      box.appendChild(bar);
      box.appendChild(body);
      box.appendChild(ok);
      modal.appendChild(box);
      document.body.appendChild(modal);
      ok.focus();
    },
    openUrl: function (url) { window.open(url, '_blank', 'noopener'); },
    hideCursor: function (hide) {
      document.documentElement.classList.toggle('xr-nocursor', !!hide);
    },
    log: function (line, error) {
      if (error) console.error(line); else console.log(line);
    },
    setCue: function (bytes, frames, channels, rate) {
      var view = new DataView(bytes.buffer, bytes.byteOffset, bytes.length);
      var data = [];
      for (var ch = 0; ch < channels; ++ch) data.push(new Float32Array(frames));
      for (var i = 0; i < frames; ++i) {
        for (ch = 0; ch < channels; ++ch) {
          // Half amplitude, as the program always plays its cue.
          data[ch][i] = view.getInt16((i * channels + ch) * 2, true) / 65536;
        }
      }
      cue = {channels: data, frames: frames, rate: rate};
      cueBuffer = null;
    },
    playCue: function () {
      if (!cue || !context()) return;
      try {
        play();
      } catch (e) {
        noAudio(e);
      }
    },
    holdScreen: function (held) {
      screenHeld = !!held;
      if (screenHeld && !watching) {
        watching = true;
        document.addEventListener('visibilitychange', askLock);
      }
      if (screenHeld) {
        askLock();
      } else if (screenLock) {
        var lock = screenLock;
        screenLock = null;
        lock.release().catch(function () { /* already let go of by the browser */ });
      }
    },
    quit: function () {
      Array.from(windows.keys()).forEach(function (id) { XrPage.removeWindow(id); });
    },
  };
})();
