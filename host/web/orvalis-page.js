// The page around the program: its window frame and canvas, the chooser and
// message dialogs, the keyboard, the frame pacing and the end of the run.
// The program reaches these through web_library.js.
'use strict';

(() => {
  const imageSize = 8 * 1024 * 1024;
  const $ = (id) => document.getElementById(id);
  const windowFrame = $('window');
  const canvas = $('screen');
  const context = canvas.getContext('2d', { alpha: false });
  const picture = context.createImageData(240, 160);
  const pixels = new Uint32Array(picture.data.buffer);

  // ---- keys, as Windows' virtual-key codes behave: a letter key is the
  // Latin letter it types in the layout (on AZERTY the key that types A is
  // L); a key that types no Latin letter (Russian, Greek, ...) is the letter
  // at its US position (KeyboardEvent.code). The keypad's Enter and (NumLock
  // off) arrows give the same keys. Each names the handheld button it holds;
  // the buttons' bits come from the program (orvalis-buttons.js, made at
  // build time from hw/keys.h).
  const keyButtons = {
    x: 'a', z: 'b', Backspace: 'select', Enter: 'start', ArrowRight: 'right', ArrowLeft: 'left',
    ArrowUp: 'up', ArrowDown: 'down', s: 'r', a: 'l',
  };
  const latinLetter = /^[a-z]$/i;
  const buttonOf = (event) => {
    if (latinLetter.test(event.key)) return keyButtons[event.key.toLowerCase()];
    if (event.key.length === 1 && /^Key[A-Z]$/.test(event.code)) return keyButtons[event.code.slice(3).toLowerCase()];
    return keyButtons[event.key];
  };
  const heldKeys = new Map();  // a physical key (code) -> the button bit it holds, while it is down
  let running = false;  // the frame loop has started: the page owns these keys
  const releaseAll = () => { heldKeys.clear(); releaseTouches(); };  // releaseTouches: below
  const modalOpen = () => document.querySelector('dialog[open]') !== null;
  const onKey = (event, down) => {
    const physical = event.code || event.key;
    // A key released is let go whatever it types now (a layout or Shift may have changed meanwhile).
    if (!down && heldKeys.has(physical)) {
      heldKeys.delete(physical);
      if (running) event.preventDefault();
      return;
    }
    const button = buttonOf(event);
    if (button === undefined || modalOpen()) return;
    if (running) event.preventDefault();  // no navigating back, no scrolling
    if (event.repeat || !down) return;
    heldKeys.set(physical, orvalisButtons[button]);
  };
  window.addEventListener('keydown', (event) => onKey(event, true));
  window.addEventListener('keyup', (event) => onKey(event, false));
  // ---- touch controls (shown where the primary pointer is coarse): every
  // pointer holds what lies under it now, so a finger that slides from one
  // control onto another moves the press; the D-pad takes the direction of
  // the finger from its centre, 8 ways, with a small dead zone in the middle.
  const touchHeld = new Map();  // pointerId -> the button bits it holds
  const dpad = $('dpad');
  const deadZone = 0.2;  // of the D-pad's half width
  const underPointer = (x, y) => {
    const element = document.elementFromPoint(x, y);
    if (!element) return 0;
    const box = dpad.getBoundingClientRect();
    if (dpad.contains(element) || (x >= box.left && x < box.right && y >= box.top && y < box.bottom)) {
      const dx = (x - (box.left + box.right) / 2) / (box.width / 2);
      const dy = (y - (box.top + box.bottom) / 2) / (box.height / 2);
      if (Math.hypot(dx, dy) < deadZone) return 0;
      // Eight sectors of 45 degrees: a diagonal presses two directions.
      const sector = Math.round(Math.atan2(dy, dx) / (Math.PI / 4)) & 7;
      const ways = [['right'], ['right', 'down'], ['down'], ['down', 'left'], ['left'], ['left', 'up'], ['up'],
                    ['up', 'right']][sector];
      return ways.reduce((mask, name) => mask | orvalisButtons[name], 0);
    }
    const control = element.closest('.control');
    return control && control.dataset.button ? orvalisButtons[control.dataset.button] : 0;
  };
  const showHeld = () => {
    let mask = 0;
    for (const bits of touchHeld.values()) mask |= bits;
    for (const control of document.querySelectorAll('#touch .control')) {
      control.classList.toggle('held', (mask & orvalisButtons[control.dataset.button]) !== 0);
    }
  };
  const touchMove = (event) => {
    if (!touchHeld.has(event.pointerId)) return;
    event.preventDefault();
    const before = touchHeld.get(event.pointerId);
    const now = underPointer(event.clientX, event.clientY);
    if (now === before) return;
    // A short vibration for each newly pressed button, where the device has one.
    if ((now & ~before) && navigator.vibrate) navigator.vibrate(12);
    touchHeld.set(event.pointerId, now);
    showHeld();
  };
  const touchEnd = (event) => {
    if (touchHeld.delete(event.pointerId)) showHeld();
  };
  const touchArea = $('touch');
  touchArea.addEventListener('pointerdown', (event) => {
    event.preventDefault();
    // The pointer stays with the page, not the control it started on, so that it can slide.
    if (event.target.hasPointerCapture && event.target.hasPointerCapture(event.pointerId)) {
      event.target.releasePointerCapture(event.pointerId);
    }
    touchHeld.set(event.pointerId, 0);
    touchMove(event);
  });
  window.addEventListener('pointermove', touchMove, { passive: false });
  for (const type of ['pointerup', 'pointercancel']) window.addEventListener(type, touchEnd);
  document.documentElement.addEventListener('pointerleave', touchEnd);
  touchArea.addEventListener('contextmenu', (event) => event.preventDefault());
  const releaseTouches = () => { touchHeld.clear(); showHeld(); };
  screen.orientation?.addEventListener?.('change', releaseTouches);
  window.addEventListener('orientationchange', releaseTouches);

  window.addEventListener('blur', releaseAll);
  // Pads are looked for only once one has been connected: reading them costs a frame an array.
  let padsSeen = false;
  window.addEventListener('gamepadconnected', () => { padsSeen = true; });
  document.addEventListener('visibilitychange', () => { if (document.hidden) releaseAll(); });

  // ---- fullscreen (the play area only) and the screen wake lock, where the
  // browser has them; the one place that knows WebKit's prefixed names.
  const fullscreen = {
    enabled: () => Boolean(document.fullscreenEnabled || document.webkitFullscreenEnabled),
    element: () => document.fullscreenElement || document.webkitFullscreenElement || null,
    enter: (element) => (element.requestFullscreen ? element.requestFullscreen()
                                                     : Promise.resolve(element.webkitRequestFullscreen())),
    exit: () => (document.exitFullscreen ? document.exitFullscreen() : Promise.resolve(document.webkitExitFullscreen())),
  };
  if (fullscreen.enabled()) {
    const button = $('fullscreen');
    button.hidden = false;
    button.addEventListener('click', () => {
      const action = fullscreen.element() ? fullscreen.exit() : fullscreen.enter($('play')).then(() => {
        // A phone plays best lying down; a refusal changes nothing.
        if (matchMedia('(pointer: coarse)').matches && screen.orientation && screen.orientation.lock) {
          return screen.orientation.lock('landscape').catch(() => {});
        }
        return undefined;
      });
      Promise.resolve(action).catch(() => {});
    });
  }
  let wakeLock = null;
  const keepAwake = () => {
    if (!navigator.wakeLock || wakeLock || document.hidden) return;
    navigator.wakeLock.request('screen').then((lock) => {
      wakeLock = lock;
      lock.addEventListener('release', () => { if (wakeLock === lock) wakeLock = null; });
    }).catch(() => {});  // refused (no permission, battery saver): the screen may dim
  };
  const letSleep = () => {
    if (wakeLock) wakeLock.release().catch(() => {});
    wakeLock = null;
  };
  document.addEventListener('visibilitychange', () => { if (!document.hidden && running) keepAwake(); });

  // ---- closing
  let closeRequested = false;
  $('close').addEventListener('click', () => { closeRequested = true; });

  // ---- dialogs
  function showModal(dialog, focus) {
    releaseAll();
    dialog.showModal();
    if (focus) focus.focus();
  }

  function chooseFile() {
    const dialog = $('chooser');
    const input = $('rom-input');
    const drop = $('drop');
    input.value = '';
    return new Promise((resolve) => {
      const finish = (file) => {
        input.onchange = drop.ondrop = drop.ondragover = drop.ondragleave = dialog.oncancel = null;
        $('chooser-cancel').onclick = null;
        dialog.close();
        resolve(file || null);
      };
      input.onchange = () => finish(input.files[0]);
      $('chooser-cancel').onclick = () => finish(null);
      dialog.oncancel = (event) => { event.preventDefault(); finish(null); };
      drop.ondragover = (event) => { event.preventDefault(); drop.classList.add('over'); };
      drop.ondragleave = () => drop.classList.remove('over');
      drop.ondrop = (event) => {
        event.preventDefault();
        drop.classList.remove('over');
        const file = event.dataTransfer.files[0];
        if (file) finish(file);
      };
      showModal(dialog, input);
    });
  }

  function messageBox(caption, text, kind) {
    const dialog = $('message');
    $('message-title').textContent = caption;
    $('message-text').textContent = text;
    $('message-icon').className = 'icon ' + ['error', 'information', 'none'][kind];
    const ok = $('message-ok');
    return new Promise((resolve) => {
      const finish = () => {
        ok.onclick = dialog.oncancel = dialog.onkeydown = null;
        dialog.close();
        resolve(0);
      };
      ok.onclick = finish;
      dialog.oncancel = (event) => { event.preventDefault(); finish(); };  // Escape
      dialog.onkeydown = (event) => {
        if (event.key === 'Enter' || event.key === ' ') { event.preventDefault(); finish(); }
      };
      showModal(dialog, ok);
    });
  }

  window.orvalisPage = {
    imageSize,
    openWindow() {
      windowFrame.hidden = false;
      return true;
    },
    destroyWindow() {
      windowFrame.hidden = true;
    },
    drain() {
      if (!running) keepAwake();  // the frame loop starts
      running = true;
      return !closeRequested;
    },
    present(heap32, index) {
      const frame = heap32.subarray(index, index + 240 * 160);
      for (let i = 0; i < frame.length; ++i) {
        const p = frame[i];  // 0x00RRGGBB; the canvas wants R, G, B, A in memory order
        pixels[i] = 0xFF000000 | (p & 0xFF) << 16 | (p & 0xFF00) | (p >>> 16 & 0xFF);
      }
      context.putImageData(picture, 0, 0);
    },
    buttonsHeld() {
      let mask = 0;
      for (const bit of heldKeys.values()) mask |= bit;
      for (const bits of touchHeld.values()) mask |= bits;
      return mask;
    },
    // Game controllers in the standard mapping, read once a frame: for each
    // connected pad, its buttons (bit n: standard button n), left stick and
    // triggers into the program's memory, which maps them as every host does.
    // Returns how many pads were written (at most `room`).
    readPads(heap32, heapF32, index, room) {
      if (!padsSeen || !navigator.getGamepads) return 0;
      let count = 0;
      for (const pad of navigator.getGamepads()) {
        if (!pad || !pad.connected || pad.mapping !== 'standard' || count >= room) continue;
        let bits = 0;
        for (let b = 0; b < pad.buttons.length && b < 32; ++b) if (pad.buttons[b].pressed) bits |= 1 << b;
        const at = index + count * 5;
        heap32[at] = bits >>> 0;
        heapF32[at + 1] = pad.axes[0] || 0;
        heapF32[at + 2] = pad.axes[1] || 0;
        heapF32[at + 3] = pad.buttons[6] ? pad.buttons[6].value : 0;
        heapF32[at + 4] = pad.buttons[7] ? pad.buttons[7].value : 0;
        count += 1;
      }
      return count;
    },
    chooseFile,
    messageBox,
    sleepFrame(wakeUp) {
      setTimeout(wakeUp, 16);
    },
    ended(code) {
      running = false;
      releaseAll();
      letSleep();
      if (fullscreen.element()) fullscreen.exit().catch(() => {});
      windowFrame.hidden = true;
      const note = $('ended');
      note.textContent = `The program has ended (exit code ${code}). Reload the page to start it again.`;
      note.hidden = false;
      document.body.dataset.exitCode = String(code);
    },
  };

  // Offline use: the service worker keeps the page's own files (where the
  // browser allows one: https pages and this machine's).
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('orvalis-sw.js').catch(() => {});
  }

  // The program's module: it starts as soon as orvalis.js has loaded.
  window.Module = {
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  };
})();
