// The exported page's player: plays the voice and shows the picture whose period holds the
// position, with the desktop player's buttons and keys. The timeline is embedded in the page
// (a page opened from disk may not fetch timeline.json) and read as data, never as script.
(function () {
  'use strict';

  const BACK_MS = 3000;
  const FORWARD_MS = 10000;
  // A press of "previous" within this time of a period's start goes to the period before it, as
  // the player's own button does on its whole seconds.
  const PREVIOUS_GRACE_MS = 1000;

  const timeline = JSON.parse(document.getElementById('timeline').textContent);
  const periods = timeline.periods;
  const audio = document.getElementById('voice');
  const picture = document.getElementById('picture');
  const noPicture = document.getElementById('no-picture');
  const seek = document.getElementById('seek');
  const marks = document.getElementById('marks');
  const elapsed = document.getElementById('elapsed');
  const total = document.getElementById('total');
  const playButton = document.getElementById('play');

  // Periods that show a picture are numbered in order of time for the alternative text.
  const pictureCount = periods.filter((period) => period.picture).length;
  let number = 0;
  for (const period of periods) {
    if (period.picture) period.number = ++number;
  }
  // The moments at which what is shown may change, in order and without repeats.
  const starts = [...new Set(periods.map((period) => period.start_ms))].sort((a, b) => a - b);

  let shown; // the period on screen; undefined until the first update
  let boundaryTimer = 0;
  let frameRequest = 0;
  let dragging = false;

  function durationMs() {
    return Number.isFinite(audio.duration) && audio.duration > 0 ? audio.duration * 1000 : timeline.duration_ms;
  }

  function positionMs() {
    return audio.currentTime * 1000;
  }

  // The last period that has started at `ms`: of periods starting together the later one wins.
  function periodAt(ms) {
    let found = null;
    for (const period of periods) {
      if (period.start_ms <= ms) found = period;
      else break;
    }
    return found;
  }

  function formatTime(ms) {
    const seconds = Math.max(0, Math.floor(ms / 1000));
    const h = Math.floor(seconds / 3600);
    const m = Math.floor(seconds / 60) % 60;
    const s = String(seconds % 60).padStart(2, '0');
    return h > 0 ? h + ':' + String(m).padStart(2, '0') + ':' + s : m + ':' + s;
  }

  function showPeriod(period) {
    if (period === shown) return;
    shown = period;
    if (period && period.picture) {
      picture.src = period.picture;
      picture.alt = 'Picture ' + period.number + ' of ' + pictureCount;
      picture.hidden = false;
      noPicture.hidden = true;
    } else {
      picture.hidden = true;
      picture.removeAttribute('src');
      picture.alt = '';
      noPicture.hidden = false;
    }
  }

  function update() {
    const ms = positionMs();
    showPeriod(periodAt(ms));
    if (!dragging) seek.value = (ms / 1000).toFixed(1);
    elapsed.textContent = formatTime(ms);
    scheduleBoundary(ms);
  }

  // The timer wakes the page at the next period's start, so a picture changes on its moment
  // even where animation frames are held back (a hidden tab); timeupdate alone is too coarse.
  function scheduleBoundary(ms) {
    clearTimeout(boundaryTimer);
    if (audio.paused) return;
    const next = starts.find((start) => start > ms);
    if (next === undefined) return;
    const delay = (next - ms) / (audio.playbackRate || 1);
    boundaryTimer = setTimeout(update, Math.max(0, Math.ceil(delay)));
  }

  function animate() {
    update();
    frameRequest = audio.paused ? 0 : requestAnimationFrame(animate);
  }

  function seekTo(ms) {
    audio.currentTime = Math.min(Math.max(0, ms), durationMs()) / 1000;
    update();
  }

  function togglePlay() {
    if (audio.paused) {
      audio.play().catch(() => {}); // a browser that refuses to start without a gesture stays paused
    } else {
      audio.pause();
    }
  }

  function previousPicture() {
    const ms = positionMs() - PREVIOUS_GRACE_MS;
    const earlier = starts.filter((start) => start < ms);
    seekTo(earlier.length ? earlier[earlier.length - 1] : 0);
  }

  function nextPicture() {
    const ms = positionMs();
    const later = starts.find((start) => start > ms);
    if (later !== undefined) seekTo(later);
  }

  function onPlayStateChanged() {
    document.body.classList.toggle('playing', !audio.paused);
    playButton.setAttribute('aria-label', audio.paused ? 'Play' : 'Pause');
    if (!audio.paused && !frameRequest) frameRequest = requestAnimationFrame(animate);
    update();
  }

  function onDurationKnown() {
    const ms = durationMs();
    seek.max = (ms / 1000).toFixed(1);
    total.textContent = formatTime(ms);
    placeMarks(ms);
    update();
  }

  function placeMarks(duration) {
    marks.replaceChildren();
    for (const period of periods) {
      if (!period.picture || period.end_ms <= period.start_ms || period.start_ms >= duration) continue;
      const mark = document.createElement('button');
      mark.type = 'button';
      mark.className = 'mark';
      mark.style.left = (100 * period.start_ms / duration) + '%';
      mark.setAttribute('aria-label', 'Picture ' + period.number + ' at ' + formatTime(period.start_ms));
      mark.title = mark.getAttribute('aria-label');
      mark.addEventListener('click', () => seekTo(period.start_ms));
      marks.appendChild(mark);
    }
  }

  const keyActions = {
    ' ': togglePlay,
    ArrowLeft: () => seekTo(positionMs() - BACK_MS),
    ArrowRight: () => seekTo(positionMs() + FORWARD_MS),
    PageUp: previousPicture,
    PageDown: nextPicture,
    Home: () => seekTo(0),
  };

  // Taken before the focused control sees them, so the keys do the same wherever the focus is
  // (a focused button takes no Space as a click, a focused seek bar no arrow as a step).
  document.addEventListener('keydown', (event) => {
    const action = keyActions[event.key];
    if (!action || event.altKey || event.ctrlKey || event.metaKey) return;
    event.preventDefault();
    event.stopPropagation();
    if (!event.repeat || event.key !== ' ') action();
  }, true);

  playButton.addEventListener('click', togglePlay);
  document.getElementById('back').addEventListener('click', keyActions.ArrowLeft);
  document.getElementById('forward').addEventListener('click', keyActions.ArrowRight);
  document.getElementById('previous').addEventListener('click', previousPicture);
  document.getElementById('next').addEventListener('click', nextPicture);

  seek.addEventListener('input', () => {
    dragging = true;
    elapsed.textContent = formatTime(seek.value * 1000);
    showPeriod(periodAt(seek.value * 1000));
  });
  seek.addEventListener('change', () => {
    dragging = false;
    seekTo(seek.value * 1000);
  });

  for (const name of ['play', 'pause', 'ended']) audio.addEventListener(name, onPlayStateChanged);
  for (const name of ['seeked', 'timeupdate', 'ratechange']) audio.addEventListener(name, update);
  audio.addEventListener('loadedmetadata', onDurationKnown);

  // Every picture is loaded once at the start, so none waits for the disk when its moment comes.
  for (const file of new Set(periods.map((period) => period.picture).filter(Boolean))) {
    new Image().src = file;
  }
  audio.src = timeline.voice;
  onDurationKnown();
})();
