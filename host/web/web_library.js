// The page's side of the back end, linked into orvalis.js. The waiting calls
// use Asyncify: the program is suspended until the page answers. Everything
// shown lives in orvalis-page.js (window.orvalisPage).
mergeInto(LibraryManager.library, {
  web_open_window: function () {
    return orvalisPage.openWindow() ? 1 : 0;
  },
  web_destroy_window: function () {
    orvalisPage.destroyWindow();
  },
  web_drain: function () {
    return orvalisPage.drain() ? 1 : 0;
  },
  web_present: function (frame) {
    orvalisPage.present(HEAPU32, frame >> 2);
  },
  web_buttons_held: function () {
    return orvalisPage.buttonsHeld();
  },
  web_read_pads: function (pads, room) {
    return orvalisPage.readPads(HEAPU32, HEAPF32, pads >> 2, room);
  },

  // The chosen file reaches the loader's fopen through the file system. An
  // image of the right size is copied whole; any other file becomes an empty
  // stand-in that reports the file's true size, so that a huge file is
  // measured without being read.
  web_choose_file__deps: ['$FS'],
  web_choose_file: function (path, capacity) {
    return Asyncify.handleAsync(async () => {
      const file = await orvalisPage.chooseFile();
      if (!file) return 0;
      const name = '/chosen/' + file.name.replace(/\//g, '_');
      try {
        FS.mkdir('/chosen');
      } catch (e) {
        // already there
      }
      try {
        FS.unlink(name);
      } catch (e) {
        // nothing chosen under that name before
      }
      if (file.size === orvalisPage.imageSize) {
        const bytes = new Uint8Array(await file.arrayBuffer());
        FS.writeFile(name, bytes, { canOwn: true });  // kept as read, not copied again
      } else {
        FS.writeFile(name, new Uint8Array(0));
        FS.lookupPath(name).node.usedBytes = file.size;
      }
      if (lengthBytesUTF8(name) + 1 > capacity) return 0;
      stringToUTF8(name, path, capacity);
      return 1;
    });
  },

  web_message_box: function (text, caption, kind) {
    return Asyncify.handleAsync(() => orvalisPage.messageBox(UTF8ToString(caption), UTF8ToString(text), kind));
  },

  // Web Crypto exists only in secure contexts; without it, or when it fails,
  // the digest fails and the loader says so.
  web_sha1: function (data, size, digest) {
    return Asyncify.handleAsync(async () => {
      try {
        if (!globalThis.crypto || !crypto.subtle) return 0;
        const result = await crypto.subtle.digest('SHA-1', HEAPU8.subarray(data, data + size));
        HEAPU8.set(new Uint8Array(result), digest);
        return 1;
      } catch (e) {
        return 0;
      }
    });
  },

  web_sleep_frame: function () {
    return Asyncify.handleSleep((wakeUp) => orvalisPage.sleepFrame(wakeUp));
  },

  web_program_ended: function (code) {
    orvalisPage.ended(code);
  },
});
