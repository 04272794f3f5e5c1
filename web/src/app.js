// The page: the sticks now (cards and the air's traffic light), the live
// plot (the last hour from the history, then every pass pushed by the
// program) and the history of any range. Every address is relative, so the
// page also works behind a reverse proxy under a sub-path.
"use strict";
(function () {
  const COLOURS = ["#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#8c564b", "#e377c2", "#17becf",
                   "#bcbd22", "#7f7f7f", "#393b79", "#ad494a", "#637939", "#e6550d", "#6b6ecf", "#31a354"];
  const LIVE_MS = 3600 * 1000;
  const AIR = ["good", "getting bad", "bad"];
  const $ = (id) => document.getElementById(id);

  const channels = new Map(); // key -> {label, unit, stick, colour}
  const live = { times: [], values: new Map(), charts: [], units: [] };

  function keyOf(serial, index) { return serial + ":" + index; }
  function colourOf(key) {
    if (!channels.has(key)) return COLOURS[0];
    return channels.get(key).colour;
  }
  function remember(serial, name, index, label, unit) {
    const key = keyOf(serial, index);
    if (!channels.has(key))
      channels.set(key, { label: label, unit: unit || "", stick: name || serial,
                          colour: COLOURS[channels.size % COLOURS.length] });
    return key;
  }
  function text(v) { return v === null || v === undefined ? "-" : String(Math.round(v * 100) / 100); }
  function width(el) { return Math.max(300, el.clientWidth || document.body.clientWidth - 40); }

  // Now: one card per stick, the traffic light.
  function showNow(data) {
    const cards = $("cards");
    cards.textContent = "";
    for (const s of data.sticks) {
      const card = document.createElement("div");
      card.className = "card " + s.state.replace(" ", "-");
      card.dataset.serial = s.serial;
      const h = document.createElement("h3");
      h.textContent = s.name || s.serial;
      const who = document.createElement("div");
      who.className = "who";
      who.textContent = s.serial + " \u00b7 " + s.interface;
      const state = document.createElement("div");
      state.className = "state";
      state.textContent = s.state;
      card.append(h, who, state);
      const table = document.createElement("table");
      for (const c of s.channels) {
        const row = table.insertRow();
        row.insertCell().textContent = c.label;
        const v = row.insertCell();
        v.className = "v" + (c.warning ? " w" + c.warning : "");
        v.textContent = text(c.value);
        row.insertCell().textContent = c.unit;
      }
      card.append(table);
      cards.append(card);
    }
    const air = $("air");
    air.className = "light" + (data.air === null ? "" : " s" + data.air);
    air.setAttribute("aria-label", "Air state: " + (data.air === null ? "no data" : AIR[data.air]));
  }

  // Lanes: one plot per unit, stacked.
  function laneUnits(keys) {
    const units = [];
    for (const k of keys) {
      const u = channels.get(k).unit;
      if (!units.includes(u)) units.push(u);
    }
    return units;
  }
  function makeLanes(container, keys, bands) {
    container.textContent = "";
    const charts = [];
    for (const unit of laneUnits(keys)) {
      const inLane = keys.filter((k) => channels.get(k).unit === unit);
      const series = [{}];
      const chartBands = [];
      for (const k of inLane) {
        const c = channels.get(k);
        const label = c.stick + ": " + c.label;
        series.push({ label: label, stroke: c.colour, width: 1.5, spanGaps: false, points: { show: false } });
        if (bands) {
          series.push({ label: label + " (greatest)", stroke: c.colour + "40", width: 0.5, points: { show: false } });
          series.push({ label: label + " (least)", stroke: c.colour + "40", width: 0.5, points: { show: false } });
          chartBands.push({ series: [series.length - 2, series.length - 1], fill: c.colour + "30" });
        }
      }
      const div = document.createElement("div");
      div.className = "lane";
      container.append(div);
      const opts = {
        width: width(container), height: 200, series: series, bands: chartBands,
        axes: [{}, { label: unit, size: 70 }],
        scales: { x: { time: true } },
        legend: { live: true },
      };
      const empty = [[]].concat(series.slice(1).map(() => []));
      const plot = new uPlot(opts, empty, div);
      // The band's edges are read in the legend of their curve, not as entries of their own.
      if (bands)
        plot.root.querySelectorAll(".u-legend .u-series").forEach((row, i) => {
          if (i > 0 && (i - 1) % 3 !== 0) row.style.display = "none";
        });
      charts.push({ unit: unit, keys: inLane, plot: plot });
    }
    return charts;
  }

  function liveData(keys) {
    return [live.times].concat(keys.map((k) => live.values.get(k)));
  }
  function redrawLive() {
    const keys = Array.from(live.values.keys());
    const units = laneUnits(keys);
    if (units.join("|") !== live.units.join("|") ||
        live.charts.reduce((n, c) => n + c.keys.length, 0) !== keys.length) {
      live.charts.forEach((c) => c.plot.destroy());
      live.charts = makeLanes($("live"), keys, false);
      live.units = units;
    }
    for (const c of live.charts) c.plot.setData(liveData(c.keys));
    // When the live plot first shows, for a look at the page's own timing.
    if (live.charts.length && !performance.getEntriesByName("live-plot").length) performance.mark("live-plot");
  }
  function addColumn(t) {
    live.times.push(t);
    for (const arr of live.values.values()) arr.push(null);
    const oldest = t - LIVE_MS / 1000;
    while (live.times.length > 1 && live.times[0] < oldest) {
      live.times.shift();
      for (const arr of live.values.values()) arr.shift();
    }
  }
  // A curve not seen before starts with a gap as long as the plot.
  function addCurve(key) {
    if (!live.values.has(key)) live.values.set(key, live.times.map(() => null));
  }
  function setValue(key, value) {
    addCurve(key);
    const arr = live.values.get(key);
    arr[arr.length - 1] = value;
  }

  // A pass: a new column in the live plot (a stick without values leaves a gap).
  let lastPass = -1;
  function onPass(data) {
    showNow(data);
    $("connection").textContent = "Live: pass " + data.passes;
    if (data.passes === lastPass) return;
    lastPass = data.passes;
    addColumn(data.time / 1000);
    for (const s of data.sticks)
      s.channels.forEach((c, i) => {
        const key = remember(s.serial, s.name, i, c.label, c.unit);
        setValue(key, c.value);
      });
    redrawLive();
  }

  // The last hour from the history, before the first pass arrives.
  async function seedLive() {
    const now = Date.now();
    try {
      const r = await fetch("api/history?from=" + (now - LIVE_MS) + "&to=" + now + "&resolution=60");
      if (!r.ok) return;
      const h = await r.json();
      const step = (h.to - h.from) / h.columns;
      for (let i = 0; i < h.columns; ++i) {
        addColumn((h.from + (i + 0.5) * step) / 1000);
        h.series.forEach((s) => s.channels.forEach((c, j) =>
          setValue(remember(s.serial, s.name, j, s.labels[j], s.units[j]), c.mean[i])));
      }
    } catch (e) {
      // No history: the live plot starts with the first pass.
    }
  }

  function listen() {
    const events = new EventSource("api/events");
    events.addEventListener("pass", (e) => onPass(JSON.parse(e.data)));
    events.onerror = () => { $("connection").textContent = "Connection lost; trying again..."; };
  }

  async function showStatus() {
    try {
      const r = await fetch("api/status");
      if (r.ok) $("lines").textContent = (await r.json()).lines.join("\n");
    } catch (e) {
      $("lines").textContent = "";
    }
  }

  // History: the same ranges as the program's History window.
  const history = { charts: [], from: 0, to: 0, base: null };
  function localInput(ms) {
    const d = new Date(ms - new Date(ms).getTimezoneOffset() * 60000);
    return d.toISOString().slice(0, 19);
  }
  async function showRange(from, to, asBase) {
    history.from = Math.round(from);
    history.to = Math.round(to);
    if (asBase) history.base = [history.from, history.to];
    $("from").value = localInput(history.from);
    $("to").value = localInput(history.to);
    const query = "from=" + history.from + "&to=" + history.to;
    $("csv").href = "api/history.csv?" + query;
    $("history-state").textContent = "Reading...";
    const container = $("history");
    const r = await fetch("api/history?" + query + "&resolution=" + Math.min(4000, Math.round(width(container))));
    if (!r.ok) {
      $("history-state").textContent = r.status === 404 ? "No history is kept." : "The history could not be read.";
      return;
    }
    const h = await r.json();
    const keys = [];
    h.series.forEach((s) => s.channels.forEach((c, j) => keys.push(remember(s.serial, s.name, j, s.labels[j], s.units[j]))));
    history.charts.forEach((c) => c.plot.destroy());
    history.charts = makeLanes(container, keys, true);
    const step = (h.to - h.from) / h.columns;
    const times = Array.from({ length: h.columns }, (_, i) => (h.from + (i + 0.5) * step) / 1000);
    const byKey = new Map();
    h.series.forEach((s) => s.channels.forEach((c, j) => byKey.set(keyOf(s.serial, j), c)));
    for (const chart of history.charts) {
      const data = [times];
      for (const k of chart.keys) {
        const c = byKey.get(k);
        data.push(c.mean, c.max, c.min);
      }
      chart.plot.setData(data);
      const u = chart.plot;
      // A drag zooms (and reads the finer columns); a double click goes back.
      u.hooks.setSelect = [];
      u.over.addEventListener("mouseup", () => {
        if (u.select.width > 2) {
          const a = u.posToVal(u.select.left, "x") * 1000, b = u.posToVal(u.select.left + u.select.width, "x") * 1000;
          showRange(a, b, false);
        }
      });
      u.over.addEventListener("dblclick", () => { if (history.base) showRange(history.base[0], history.base[1], false); });
    }
    showSummary(query);
    const shown = h.series.length ? "level: " + h.level : "nothing was recorded in this range";
    $("history-state").textContent = new Date(h.from).toLocaleString() + " to " + new Date(h.to).toLocaleString() + " (" + shown + ")";
  }
  // The daily summary of the shown range, as the History window's; only the
  // latest range's answer is shown, as a zoom may overtake the one before.
  async function showSummary(query) {
    history.summaryQuery = query;
    const r = await fetch("api/summary?" + query);
    const rows = r.ok ? (await r.json()).rows : null;
    if (history.summaryQuery !== query) return;
    const table = $("summary");
    table.replaceChildren();
    if (!rows) return;
    const cell = (tr, tag, text) => { const c = document.createElement(tag); c.textContent = text; tr.append(c); };
    const head = document.createElement("tr");
    ["Period", "Stick", "Channel", "Mean", "Least", "Greatest", "Hours at or above"].forEach((t) => cell(head, "th", t));
    table.append(head);
    const shown = (v) => (v === null ? "-" : String(Math.round(v * 100) / 100));
    for (const row of rows) {
      const tr = document.createElement("tr");
      cell(tr, "td", row.period);
      cell(tr, "td", row.name || row.serial);
      cell(tr, "td", row.label + (row.unit ? " [" + row.unit + "]" : ""));
      [row.mean, row.min, row.max].forEach((v) => cell(tr, "td", shown(v)));
      cell(tr, "td", row.above.map((a) => shown(a.level) + ": " + shown(a.hours) + " h").join(", ") || "-");
      table.append(tr);
    }
  }
  async function showPreset() {
    const now = Date.now();
    const value = $("preset").value;
    let from = now - Number(value);
    if (value === "all") {
      from = now - LIVE_MS;
      try {
        const r = await fetch("api/series");
        if (r.ok) for (const s of (await r.json()).series) from = Math.min(from, s.first);
      } catch (e) { /* the last hour then */ }
    }
    await showRange(from, now, true);
  }

  // What the page holds, for a look from the browser's console (and its test).
  window.ventiscope = { live: live, history: history };

  $("preset").addEventListener("change", showPreset);
  $("range").addEventListener("submit", (e) => {
    e.preventDefault();
    const from = new Date($("from").value).getTime(), to = new Date($("to").value).getTime();
    if (from < to) showRange(from, to, true);
    else $("history-state").textContent = "The range's start must be before its end.";
  });
  window.addEventListener("resize", () => {
    for (const c of live.charts.concat(history.charts)) c.plot.setSize({ width: width($("live")), height: 200 });
  });

  (async function start() {
    // The lanes come with the first answer; the last hour fills them after.
    const seeded = seedLive();
    try {
      const r = await fetch("api/sticks");
      if (r.ok) {
        const now = await r.json();
        showNow(now);
        for (const s of now.sticks)
          s.channels.forEach((c, i) => addCurve(remember(s.serial, s.name, i, c.label, c.unit)));
        redrawLive();
      }
    } catch (e) { /* the events say it */ }
    await seeded;
    redrawLive();
    listen();
    showStatus();
    setInterval(showStatus, 10000);
    showPreset();
  })();
})();
