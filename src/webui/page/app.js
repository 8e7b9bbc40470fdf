'use strict';
// The page only ever sets text (textContent), never markup: every text here may come from a forum.
(() => {
  const words = document.body.dataset;
  const $ = (id) => document.getElementById(id);
  let csrfToken = '';
  let skewMs = 0;
  const etags = {};
  const cards = [];
  let slots = [];
  let recordShownAt = 0;

  const format = (pattern, ...values) => values.reduce((text, value, i) => text.replace('%' + (i + 1), value), pattern);
  const two = (n) => String(n).padStart(2, '0');
  const now = () => Date.now() + skewMs;

  async function call(method, path, body) {
    const headers = {};
    if (body !== undefined) {
      headers['Content-Type'] = 'application/json';
      headers['X-CSRF-Token'] = csrfToken;
    }
    if (method === 'GET' && etags[path]) headers['If-None-Match'] = etags[path];
    const response = await fetch(path, {
      method, headers, cache: 'no-store', credentials: 'same-origin',
      body: body === undefined ? undefined : JSON.stringify(body),
    });
    const serverNow = Number(response.headers.get('X-Kelvora-Now'));
    if (serverNow) skewMs = serverNow - Date.now();
    if (response.status === 304) return { status: 304 };
    const etag = response.headers.get('ETag');
    if (etag) etags[path] = etag;
    let data = {};
    try { data = await response.json(); } catch (e) { data = {}; }
    return { status: response.status, data };
  }

  function show(loggedIn) {
    $('login').hidden = loggedIn;
    $('work').hidden = !loggedIn;
    $('logout').hidden = !loggedIn;
    if (!loggedIn) {
      delete etags['/api/state'];
      delete etags['/api/record'];
    }
  }

  function makeCard(index) {
    const card = $('slotCard').content.firstElementChild.cloneNode(true);
    card.dataset.number = index + 1;
    const q = (selector) => card.querySelector(selector);
    const command = async (action, body) => {
      q('.error').textContent = '';
      const answer = await call('POST', `/api/slots/${index + 1}/${action}`, body || {}).catch(() => null);
      if (!answer) { q('.error').textContent = words.offline; return false; }
      if (answer.status === 401) { show(false); return false; }
      if (answer.status !== 200) { q('.error').textContent = answer.data.error || ''; return false; }
      await poll();
      return true;
    };
    q('.openForm').addEventListener('submit', (event) => {
      event.preventDefault();
      command('open', { address: q('.openForm [name=address]').value });
    });
    q('.periodForm').addEventListener('submit', (event) => {
      event.preventDefault();
      command('period', { period: Number(q('.periodForm [name=period]').value) });
    });
    q('.start').addEventListener('click', () => command('start'));
    q('.stop').addEventListener('click', () => command('stop'));
    q('.reload').addEventListener('click', () => command('reload'));
    q('.forget').addEventListener('click', () => command('forget'));
    q('.accountForm').addEventListener('submit', async (event) => {
      event.preventDefault();
      const form = event.target;
      const sent = await command('account', {
        userName: form.userName.value, password: form.password.value, loginPage: form.loginPage.value,
      });
      form.password.value = '';
      if (sent) q('.accountBox').open = false;
    });
    $('slots').appendChild(card);
    return card;
  }

  function fill(card, slot) {
    const q = (selector) => card.querySelector(selector);
    q('.caption').textContent = slot.caption;
    // A slot never opened shows only where to open it: eight full cards are a long way on a phone.
    q('.used').hidden = !slot.open;
    const status = q('.status');
    status.textContent = slot.statusText;
    status.className = 'status ' + slot.status;
    q('.title').textContent = slot.title;
    q('.site').textContent = slot.site || slot.address;
    q('.report').textContent = slot.report;
    q('.account').textContent = slot.account === null ? words.noAccount : slot.account;
    q('.accountNote').textContent = slot.accountNote;
    q('.unit').textContent = slot.unit;
    const period = q('.periodForm [name=period]');
    if (document.activeElement !== period) period.value = slot.period;
    const address = q('.openForm [name=address]');
    if (document.activeElement !== address && !address.value) address.value = slot.address;
    const loginPage = q('.accountForm [name=loginPage]');
    if (document.activeElement !== loginPage && !loginPage.value) loginPage.value = slot.address;
    q('.start').disabled = slot.status !== 'stopped';
    q('.stop').disabled = slot.status === 'stopped';
    q('.forget').disabled = slot.account === null;
  }

  // Counts on between polls, from the moments the program gave.
  function tick() {
    slots.forEach((slot, i) => {
      const card = cards[i];
      if (!card) return;
      let online = '0';
      if (slot.onlineSince !== null) {
        const seconds = Math.max(0, Math.floor((now() - slot.onlineSince) / 1000));
        online = format(words.onlineTime, Math.floor(seconds / 3600), two(Math.floor(seconds / 60) % 60), two(seconds % 60));
      }
      card.querySelector('.online').textContent = online;
      let countdown = words.notDue;
      if (slot.nextReloadAt !== null) {
        const seconds = Math.max(0, Math.ceil((slot.nextReloadAt - now()) / 1000));
        countdown = seconds < 60 ? format(words.secondsLater, seconds)
                                 : format(words.minutesLater, Math.floor(seconds / 60), two(seconds % 60));
      }
      card.querySelector('.countdown').textContent = countdown;
    });
  }

  function drawRecord(record) {
    const legend = $('legend');
    legend.replaceChildren(...record.legend.map((item) => {
      const entry = document.createElement('span');
      const chip = document.createElement('span');
      chip.className = 'chip ' + item.state + '-state';
      entry.append(chip, item.text);
      return entry;
    }));
    const box = $('recordSlots');
    if (record.slots.length === 0) {
      const none = document.createElement('p');
      none.className = 'hint';
      none.textContent = record.empty;
      box.replaceChildren(none);
    } else {
      box.replaceChildren(...record.slots.map((slot) => {
        const part = document.createElement('div');
        part.className = 'recordSlot';
        const caption = document.createElement('h3');
        caption.textContent = slot.caption;
        part.appendChild(caption);
        for (const strip of slot.strips) {
          const row = document.createElement('div');
          row.className = 'stripRow';
          const label = document.createElement('span');
          label.textContent = strip.label;
          const bar = document.createElement('div');
          bar.className = 'strip';
          const length = Math.max(1, strip.to - strip.from);
          for (const span of strip.spans) {
            const piece = document.createElement('div');
            piece.className = 'span ' + span.state + '-state';
            piece.style.left = ((span.from - strip.from) / length * 100) + '%';
            piece.style.width = Math.max(0.2, (span.to - span.from) / length * 100) + '%';
            piece.title = span.text;
            bar.appendChild(piece);
          }
          const totals = document.createElement('span');
          totals.className = 'totals';
          totals.textContent = strip.totals;
          row.append(label, bar, totals);
          part.appendChild(row);
        }
        return part;
      }));
    }
    $('recordWhere').textContent = record.where;
  }

  async function pollRecord() {
    const answer = await call('GET', '/api/record');
    if (answer.status === 200) drawRecord(answer.data);
    recordShownAt = Date.now();
  }

  async function poll() {
    let answer;
    try {
      answer = await call('GET', '/api/state');
    } catch (e) {
      $('notice').textContent = words.offline;
      return;
    }
    $('notice').textContent = '';
    if (answer.status === 401) { show(false); return; }
    if (answer.status === 304) return;
    if (answer.status !== 200) { $('notice').textContent = answer.data.error || ''; return; }
    show(true);
    const state = answer.data;
    csrfToken = state.csrfToken;
    slots = state.slots;
    slots.forEach((slot, i) => fill(cards[i] || (cards[i] = makeCard(i)), slot));
    $('lateReloads').checked = state.lateReloads;
    $('preventSleep').checked = state.preventSleep;
    $('keepsAwake').hidden = !state.keepsAwake;
    tick();
    if (Date.now() - recordShownAt > 60000) pollRecord().catch(() => {});
  }

  $('loginForm').addEventListener('submit', async (event) => {
    event.preventDefault();
    $('loginError').textContent = '';
    const answer = await call('POST', '/api/login', { password: $('password').value }).catch(() => null);
    $('password').value = '';
    if (!answer) { $('loginError').textContent = words.offline; return; }
    if (answer.status !== 200) { $('loginError').textContent = answer.data.error || ''; return; }
    csrfToken = answer.data.csrfToken;
    recordShownAt = 0;
    await poll();
  });
  $('logout').addEventListener('click', async () => {
    await call('POST', '/api/logout', {}).catch(() => null);
    show(false);
  });
  for (const name of ['lateReloads', 'preventSleep']) {
    $(name).addEventListener('change', async (event) => {
      await call('POST', '/api/options', { [name]: event.target.checked }).catch(() => null);
      await poll();
    });
  }

  poll();
  setInterval(poll, 2000);
  setInterval(tick, 1000);
})();
