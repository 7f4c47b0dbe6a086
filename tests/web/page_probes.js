// The tests' measurements of the page, brought in before the page's own
// script runs (an init script), so that the shipped page carries none: each
// frame's start and work (from the back end's drain to its sleep), when the
// cartridge was chosen and read, the first frame after it, and how many
// message boxes were closed. The first 20,000 frames are kept, in arrays
// made once.
(() => {
  const kept = 20000;
  const probes = { frames: 0, frameStarts: new Float64Array(kept), workTimes: new Float64Array(kept),
                   chosenAt: 0, readAt: 0, firstFrameAt: 0, boxesClosed: 0 };
  window.orvalisProbes = probes;
  let running = false;
  let workStart = 0;
  const wrap = (page) => {
    const { drain, present, sleepFrame, chooseFile, messageBox } = page;
    page.drain = function () {
      running = true;
      workStart = performance.now();
      return drain.apply(this, arguments);
    };
    page.present = function () {
      const result = present.apply(this, arguments);
      if (running && !probes.firstFrameAt && probes.chosenAt) probes.firstFrameAt = performance.now();
      return result;
    };
    page.sleepFrame = function () {
      if (running) {
        if (probes.frames < kept) {
          probes.frameStarts[probes.frames] = workStart;
          probes.workTimes[probes.frames] = performance.now() - workStart;
        }
        probes.frames += 1;
      }
      return sleepFrame.apply(this, arguments);
    };
    page.chooseFile = function () {
      return chooseFile.apply(this, arguments).then((file) => {
        if (file) probes.chosenAt = performance.now();
        return file;
      });
    };
    page.messageBox = function () {
      return messageBox.apply(this, arguments).then((result) => {
        probes.boxesClosed += 1;
        return result;
      });
    };
  };
  let page;
  Object.defineProperty(window, 'orvalisPage', {
    configurable: true,
    get: () => page,
    set: (value) => { page = value; wrap(value); },
  });
  const arrayBuffer = Blob.prototype.arrayBuffer;
  Blob.prototype.arrayBuffer = function () {
    return arrayBuffer.call(this).then((bytes) => {
      probes.readAt = performance.now();
      return bytes;
    });
  };
})();
