// The broadcast viewer: reads the status file that the broadcaster publishes
// next to its pictures, plays the motion strips it names frame by frame on a
// canvas, shows the caption in its colour, and falls back to the still
// picture when no motion broadcast is running.
//
// Everything loaded comes from this page's own folder: the status file, a
// strip whose name is exactly "motion_img_" + 8 lower-case hex digits +
// ".jpg", and the still picture. No value read from the status file is ever
// used as markup or as any other address.
//
// Timings may be changed with query parameters, in seconds: poll (status file
// interval, default 2), still (still picture interval, 10), stall (no new
// strip for this long counts as a stalled broadcast, 60), grace (how long the
// status file may be missing or unreadable before the page says so, 15).
(function () {
  'use strict';

  const STATUS_FILE = 'currfrme.html';
  const STILL_FILE = 'still_img_latest.jpg';
  const STRIP_NAME = /^motion_img_[0-9a-f]{8}\.jpg$/;
  const MAX_WAITING_STRIPS = 2; // strips loaded ahead; older ones are dropped to stay live
  const REQUEST_TIMEOUT_MS = 10000;

  const TEXTS = {
    connecting: '接続しています…',
    playing: '放送中',
    stalled: '更新が止まっています',
    stopped: '放送は終了しました',
    still: '静止画を表示しています',
    waiting: '放送を待っています',
    unreadable: '放送の状態を読み取れません',
    unreachable: 'サーバーに接続できません',
  };
  // Modes whose text is also laid over the picture.
  const NOTICE_MODES = new Set(['stalled', 'stopped']);

  function secondsParameter(name, fallback, min, max) {
    const raw = new URLSearchParams(window.location.search).get(name);
    const value = raw === null ? NaN : Number(raw);
    if (!Number.isFinite(value) || value < min || value > max) return fallback * 1000;
    return value * 1000;
  }

  const timing = {
    pollMs: secondsParameter('poll', 2, 0.2, 60),
    stillMs: secondsParameter('still', 10, 0.5, 3600),
    stallMs: secondsParameter('stall', 60, 1, 86400),
    graceMs: secondsParameter('grace', 15, 0.5, 3600),
  };

  // ---- Status file ---------------------------------------------------------

  const KNOWN_NAMES = new Set([
    'ServRun', 'Buffer', 'Curr', 'FramePerSecond', 'Subtitle',
    'SubtitleFrgRVal', 'SubtitleFrgGVal', 'SubtitleFrgBVal',
  ]);

  function integerIn(text, min, max) {
    if (typeof text !== 'string' || !/^\s*\d{1,9}\s*$/.test(text)) return null;
    const value = Number(text);
    return value >= min && value <= max ? value : null;
  }

  // Reads the name=value lines; unknown lines (the meta lines among them) are
  // ignored, the first occurrence of a name counts. Returns
  // {kind: 'running', strip, buffer, fps, caption, colour},
  // {kind: 'stopped'} or {kind: 'unreadable'}.
  function parseStatus(text) {
    const values = new Map();
    for (const rawLine of text.split('\n')) {
      const line = rawLine.endsWith('\r') ? rawLine.slice(0, -1) : rawLine;
      const eq = line.indexOf('=');
      if (eq <= 0) continue;
      const name = line.slice(0, eq).trim();
      if (KNOWN_NAMES.has(name) && !values.has(name)) values.set(name, line.slice(eq + 1));
    }
    const run = integerIn(values.get('ServRun'), 0, 1);
    if (run === 0) return { kind: 'stopped' };
    if (run !== 1) return { kind: 'unreadable' };
    const strip = values.get('Curr');
    const buffer = integerIn(values.get('Buffer'), 1, 1000);
    if (!STRIP_NAME.test(strip || '') || buffer === null) return { kind: 'unreadable' };
    const fps = integerIn(values.get('FramePerSecond'), 1, 60) || 1;
    const colour = ['SubtitleFrgRVal', 'SubtitleFrgGVal', 'SubtitleFrgBVal']
      .map((n) => integerIn(values.get(n), 0, 255));
    return {
      kind: 'running',
      strip: strip,
      buffer: buffer,
      fps: fps,
      caption: values.get('Subtitle') || '',
      colour: colour.includes(null) ? [255, 255, 255] : colour,
    };
  }

  function decodeShiftJis(bytes) {
    try {
      return new TextDecoder('shift_jis').decode(bytes);
    } catch (e) {
      return new TextDecoder('utf-8').decode(bytes); // a browser without Shift_JIS
    }
  }

  function headerTime(response, name) {
    const value = Date.parse(response.headers.get(name) || '');
    return Number.isFinite(value) ? value : null;
  }

  function fetchWithTimeout(url, options) {
    const controller = new AbortController();
    const timer = setTimeout(() => controller.abort(), REQUEST_TIMEOUT_MS);
    return fetch(url, Object.assign({ signal: controller.signal }, options))
      .finally(() => clearTimeout(timer));
  }

  function bust(name) {
    return name + '?t=' + Date.now().toString(36) + Math.random().toString(36).slice(2, 6);
  }

  // One read of the status file. Besides the parsed page it gives the file's
  // modification time and its age by the server's clock (null when the server
  // does not say).
  async function readStatus() {
    let response;
    try {
      response = await fetchWithTimeout(bust(STATUS_FILE), { cache: 'no-store' });
    } catch (e) {
      return { kind: 'unreachable' };
    }
    if (response.status === 404 || response.status === 410) return { kind: 'missing' };
    if (!response.ok) return { kind: 'unreachable' };
    let bytes;
    try {
      bytes = await response.arrayBuffer();
    } catch (e) {
      return { kind: 'unreachable' };
    }
    const page = parseStatus(decodeShiftJis(bytes));
    page.modified = headerTime(response, 'Last-Modified');
    const served = headerTime(response, 'Date');
    page.age = page.modified !== null && served !== null ? Math.max(0, served - page.modified) : 0;
    return page;
  }

  // ---- Drawing ---------------------------------------------------------------

  const canvas = document.getElementById('picture');
  const context = canvas.getContext('2d');
  const statusLine = document.getElementById('status');
  const captionLine = document.getElementById('caption');
  const notice = document.getElementById('notice');

  const state = {
    mode: 'connecting',
    strip: '', // the strip being played
    frameIndex: -1, // the frame of that strip drawn last
    framesDrawn: 0,
    stripsSkipped: 0,
  };

  function fitCanvas(width, height) {
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
  }

  function drawFrame(strip, index) {
    const width = strip.frameWidth;
    const height = strip.image.naturalHeight;
    fitCanvas(width, height);
    context.drawImage(strip.image, index * width, 0, width, height, 0, 0, width, height);
    state.strip = strip.name;
    state.frameIndex = index;
    state.framesDrawn += 1;
  }

  function drawStill(image) {
    fitCanvas(image.naturalWidth, image.naturalHeight);
    context.drawImage(image, 0, 0);
  }

  // Texts are only replaced when they change, so that screen readers do not
  // announce the same status at every poll.
  function setText(element, text) {
    if (element.textContent !== text) element.textContent = text;
  }

  function setMode(mode) {
    state.mode = mode;
    setText(statusLine, TEXTS[mode]);
    statusLine.dataset.mode = mode;
    setText(notice, NOTICE_MODES.has(mode) ? TEXTS[mode] : '');
    notice.hidden = !NOTICE_MODES.has(mode);
  }

  function showCaption(text, colour) {
    setText(captionLine, text);
    captionLine.classList.toggle('blank', text.trim() === '');
    if (!colour) return;
    const [r, g, b] = colour;
    captionLine.style.color = 'rgb(' + r + ', ' + g + ', ' + b + ')';
    // Keep dark captions readable on the dark page: they get a light band.
    const luminance = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    captionLine.classList.toggle('on-light', luminance < 80);
  }

  // ---- Motion playback ---------------------------------------------------------
  // Strips are loaded and decoded before they join the queue, so switching to
  // the next one never shows a half-loaded picture. Each frame stays up for
  // 1 / FramePerSecond seconds; after the last frame of a strip the next
  // queued strip starts, or the last frame stays up until one arrives.

  const queue = [];
  let current = null;
  let ticking = false;
  let nextDue = 0;
  let requestSerial = 0;
  let queuedSerial = 0;

  function loadImage(url) {
    return new Promise((resolve, reject) => {
      const image = new Image();
      image.onload = () => {
        const decoded = image.decode ? image.decode().catch(() => undefined) : Promise.resolve();
        decoded.then(() => resolve(image));
      };
      image.onerror = () => reject(new Error('not loaded'));
      image.src = url;
    });
  }

  function requestStrip(page) {
    const serial = ++requestSerial;
    // The query keeps a cached picture of an earlier broadcast from being
    // shown: strip names come round again after the running number is reset.
    loadImage(bust(page.strip)).then((image) => {
      const frameWidth = Math.floor(image.naturalWidth / page.buffer);
      if (frameWidth < 1 || image.naturalHeight < 1) throw new Error('not a strip');
      if (serial < queuedSerial) return; // a newer strip got here first
      queuedSerial = serial;
      queue.push({ name: page.strip, image: image, frameWidth: frameWidth,
        buffer: page.buffer, fps: page.fps });
      while (queue.length > MAX_WAITING_STRIPS) queue.shift();
      if (!ticking) startTicking();
    }).catch(() => {
      // Deleted by rotation before it could be loaded: wait for the next page.
      state.stripsSkipped += 1;
    });
  }

  // Shows the next frame; false when there is none yet.
  function advance() {
    if (current && state.frameIndex + 1 < current.buffer) {
      drawFrame(current, state.frameIndex + 1);
      return true;
    }
    if (queue.length === 0) return false;
    current = queue.shift();
    drawFrame(current, 0);
    return true;
  }

  function startTicking() {
    ticking = true;
    nextDue = performance.now();
    tick();
  }

  function tick() {
    if (!advance()) {
      ticking = false;
      return;
    }
    const interval = 1000 / current.fps;
    const now = performance.now();
    nextDue += interval;
    if (nextDue < now) nextDue = now + interval; // we fell behind (hidden tab): start afresh
    setTimeout(tick, nextDue - now);
  }

  function dropMotion() {
    queue.length = 0;
    current = null;
    queuedSerial = ++requestSerial; // strips still loading are dropped too
  }

  // ---- Still picture -----------------------------------------------------------
  // Still mode: the broadcaster publishes a running status file only while a
  // motion broadcast runs. When there is no such file (missing for longer
  // than the grace time, stopped, or stalled), the still picture is checked
  // every few seconds; it is shown when it exists and is newer than the status
  // file (or the status file is missing, or, for a stopped page, the server
  // gives no modification times). So a still picture left over from an earlier
  // broadcast does not hide that a motion broadcast has ended.

  const still = { checkedAt: -Infinity, exists: false, modified: null, image: null, fresh: false };

  async function checkStill() {
    still.checkedAt = Date.now();
    let response;
    try {
      response = await fetchWithTimeout(bust(STILL_FILE), { cache: 'no-store' });
    } catch (e) {
      return; // keep what we knew
    }
    if (!response.ok) {
      still.exists = false;
      return;
    }
    const modified = headerTime(response, 'Last-Modified');
    if (still.image && modified !== null && modified === still.modified) {
      still.exists = true; // unchanged: keep the decoded picture
      return;
    }
    let url = null;
    try {
      url = URL.createObjectURL(await response.blob());
      still.image = await loadImage(url);
      still.modified = modified;
      still.exists = true;
      still.fresh = true;
    } catch (e) {
      // Being replaced right now: try again at the next check.
    } finally {
      if (url) URL.revokeObjectURL(url);
    }
  }

  function stillPreferred(reason, pageModified) {
    if (!still.exists) return false;
    if (reason === 'unreachable') return false; // what we know of it may be old
    if (reason === 'missing' || reason === 'unreadable') return true;
    if (pageModified === null || still.modified === null) return reason === 'stopped';
    return still.modified > pageModified;
  }

  // Settles a state without a live motion broadcast: the still picture, or
  // the reason's own text over the last picture.
  async function settleWithoutMotion(reason, pageModified) {
    if (Date.now() - still.checkedAt >= timing.stillMs) await checkStill();
    if (stillPreferred(reason, pageModified)) {
      if (state.mode !== 'still') {
        dropMotion();
        showCaption('', null);
        still.fresh = true;
      }
      if (still.fresh) {
        drawStill(still.image);
        still.fresh = false;
      }
      setMode('still');
      return;
    }
    if (reason === 'missing') {
      // The status file has gone for good: the broadcaster stopped without
      // saying so, or has not started yet.
      setMode(state.mode === 'playing' || state.mode === 'stalled' ? 'stalled' : 'waiting');
      return;
    }
    if (reason === 'stopped') showCaption('', null);
    setMode(reason);
  }

  // ---- Polling -------------------------------------------------------------------

  let lastStrip = '';
  let progressAt = 0; // when the newest strip was published, by our clock
  let seenRunning = false;
  let failingSince = null;

  async function handle(page) {
    const now = Date.now();
    if (page.kind === 'running') {
      failingSince = null;
      if (page.strip !== lastStrip) {
        // The first page seen may be an old one left behind: its age by the
        // server's clock tells. After that a new strip name is progress by our
        // own clock, so a server clock that is off cannot keep us stalled.
        progressAt = seenRunning ? now : now - page.age;
        seenRunning = true;
        lastStrip = page.strip;
        if (state.mode === 'still') dropMotion();
        requestStrip(page);
      }
      if (now - progressAt < timing.stallMs) {
        showCaption(page.caption, page.colour);
        setMode('playing');
        return;
      }
      if (state.mode !== 'still') showCaption(page.caption, page.colour);
      await settleWithoutMotion('stalled', page.modified);
      return;
    }
    if (page.kind === 'stopped') {
      failingSince = null;
      lastStrip = '';
      await settleWithoutMotion('stopped', page.modified);
      return;
    }
    // Missing, unreadable or unreachable: once something is on screen, carry
    // on as before for a while (the file is missing between its deletion and
    // the renaming of its successor).
    if (failingSince === null) failingSince = now;
    if (state.mode !== 'connecting' && now - failingSince < timing.graceMs) return;
    await settleWithoutMotion(page.kind, null);
  }

  async function poll() {
    try {
      await handle(await readStatus());
    } finally {
      setTimeout(poll, timing.pollMs);
    }
  }

  // Read-only view of the state, for tests and curious viewers.
  const view = {};
  for (const key of Object.keys(state)) {
    Object.defineProperty(view, key, { enumerable: true, get: () => state[key] });
  }
  Object.defineProperty(window, 'karoneViewer', { value: Object.freeze(view) });

  setMode('connecting');
  poll();
})();
