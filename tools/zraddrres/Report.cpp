#include "tools/zraddrres/Report.h"

namespace zrtool {

namespace {

// The page holds no markup built from data: the script below puts every
// text in with textContent, and the policy forbids every load, so even a
// mistake could fetch nothing.
const char kHead[] = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>zraddrres: printer ports and their devices</title>
<style>
body { font: 14px/1.4 system-ui, sans-serif; margin: 1.5em; color: #1d2329; background: #fff; }
h1 { font-size: 1.4em; margin: 0 0 .2em; }
h2 { font-size: 1.15em; margin: 1.6em 0 .4em; }
.summary { color: #4a5560; margin: 0 0 1em; }
.controls { margin: .6em 0; }
table { border-collapse: collapse; width: 100%; }
th, td { text-align: left; padding: .3em .6em; border-bottom: 1px solid #dde2e6; vertical-align: top; }
th button { font: inherit; font-weight: 600; background: none; border: 0; padding: 0; cursor: pointer; color: inherit; }
th[aria-sort="ascending"] button::after { content: " \25B2"; }
th[aria-sort="descending"] button::after { content: " \25BC"; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
tr.port-row { cursor: pointer; }
tr.port-row:hover { background: #f3f6f8; }
tr.port-row td:first-child::before { content: "\25B8 "; color: #7a8691; }
tr.port-row.open td:first-child::before { content: "\25BE "; }
tr.unresolved td { color: #8a1f11; }
tr.account-row > td { background: #f7f9fa; }
.kind { display: inline-block; padding: 0 .45em; border-radius: .6em; font-size: .85em; background: #e4ebf0; }
.kind-none { background: #f6d7d2; }
ol.steps { margin: .2em 0; padding-left: 1.6em; }
ol.steps li { margin: .25em 0; }
.reader { font-family: ui-monospace, monospace; }
.verdict { font-weight: 600; }
.verdict-answered { color: #1a6b2f; }
.note, .ms { color: #5c6770; }
.lines { font: 12px/1.35 ui-monospace, monospace; white-space: pre-wrap; margin: .2em 0 0 1em; color: #39434c; }
.group h3 { font-size: 1em; margin: .9em 0 .2em; }
.group ul { margin: 0; padding-left: 1.2em; list-style: none; }
details summary { cursor: pointer; }
</style>
</head>
<body>
<h1>Printer ports and their devices</h1>
<p class="summary" id="summary"></p>
<div class="controls"><label>Kind <select id="kind-filter"><option value="">all kinds</option></select></label></div>
<table id="inventory"><thead><tr></tr></thead><tbody></tbody></table>
<h2>By device address</h2>
<div id="groups"></div>
<script type="application/json" id="report-data">)";

const char kTail[] = R"(</script>
<script>
(function () {
  'use strict';
  var data = JSON.parse(document.getElementById('report-data').textContent);
  var rows = data.rows;
  var columns = [
    { key: 'port', label: 'Port' },
    { key: 'monitor', label: 'Found under' },
    { key: 'address', label: 'Address', address: true },
    { key: 'kindName', label: 'Kind' },
    { key: 'milliseconds', label: 'ms', numeric: true },
    { key: 'detail', label: 'Why none' }
  ];
  var sortKey = null;
  var sortDir = 1;
  var kindShown = '';
  var open = {};

  function el(tag, className, text) {
    var e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
  }
  function ms(value) { return Number(value).toFixed(1) + ' ms'; }
  function text(value) { return value === undefined || value === null ? '' : String(value); }

  // Addresses in the order of their values, not their texts (10.0.0.2 before
  // 10.0.0.10): IPv4 by its number, IPv6 by its 128 bits, IPX by network then
  // node, each kind together in that order; any other text after them, and
  // no address last. A key is [rank, fixed-width hexadecimal digits].
  function hex(n, width) {
    var s = n.toString(16);
    while (s.length < width) s = '0' + s;
    return s;
  }
  function ipv4Key(t) {
    var m = /^(\d{1,3})\.(\d{1,3})\.(\d{1,3})\.(\d{1,3})$/.exec(t);
    if (!m) return null;
    var key = '';
    for (var i = 1; i <= 4; ++i) {
      if (Number(m[i]) > 255) return null;
      key += hex(Number(m[i]), 2);
    }
    return key;
  }
  function ipv6Key(t) {
    var zone = t.indexOf('%');
    if (zone >= 0) t = t.slice(0, zone);
    if (t.indexOf(':') < 0) return null;
    var dotted = /(\d+\.\d+\.\d+\.\d+)$/.exec(t);
    if (dotted) {
      var last = ipv4Key(dotted[1]);
      if (!last) return null;
      t = t.slice(0, dotted.index) + last.slice(0, 4) + ':' + last.slice(4);
    }
    var halves = t.split('::');
    if (halves.length > 2) return null;
    var head = halves[0] ? halves[0].split(':') : [];
    var tail = halves.length === 2 && halves[1] ? halves[1].split(':') : [];
    var missing = 8 - head.length - tail.length;
    if (halves.length === 2 ? missing < 1 : missing !== 0) return null;
    var groups = head;
    for (var i = 0; halves.length === 2 && i < missing; ++i) groups.push('0');
    groups = groups.concat(tail);
    var key = '';
    for (var j = 0; j < groups.length; ++j) {
      if (!/^[0-9A-Fa-f]{1,4}$/.test(groups[j])) return null;
      key += hex(parseInt(groups[j], 16), 4);
    }
    return key;
  }
  function ipxKey(t) {
    var m = /^([0-9A-Fa-f]{8}):([0-9A-Fa-f]{12})$/.exec(t);
    if (m) return (m[1] + m[2]).toLowerCase();
    m = /^([0-9A-Fa-f]{12}):([0-9A-Fa-f]{8})$/.exec(t);  // node first
    return m ? (m[2] + m[1]).toLowerCase() : null;
  }
  function addressKey(value) {
    var t = text(value);
    if (!t) return [4, ''];
    var key = ipv4Key(t);
    if (key) return [0, key];
    if ((key = ipv6Key(t))) return [1, key];
    if ((key = ipxKey(t))) return [2, key];
    return [3, t];
  }
  function byAddress(x, y) {
    var a = addressKey(x), b = addressKey(y);
    if (a[0] !== b[0]) return a[0] - b[0];
    if (a[0] === 3) return a[1].localeCompare(b[1]);
    return a[1] < b[1] ? -1 : a[1] > b[1] ? 1 : 0;
  }

  // Unresolved ports first, then by device address, then by port.
  function grouped(a, b) {
    if (a.resolved !== b.resolved) return a.resolved ? 1 : -1;
    return byAddress(a.address, b.address) || a.port.localeCompare(b.port);
  }
  function ordered(a, b) {
    if (!sortKey) return grouped(a, b);
    var column = columns.filter(function (c) { return c.key === sortKey; })[0];
    var x = a[sortKey], y = b[sortKey];
    var r = column.numeric ? Number(x) - Number(y)
          : column.address ? byAddress(x, y) : text(x).localeCompare(text(y));
    return r * sortDir || grouped(a, b);
  }

  function account(row) {
    var a = row.account;
    var box = el('div', 'account');
    var head = a.resolved ? 'Answer: ' + a.address + ', kind ' + a.kindName + ' (' + a.kind + ')'
                          : 'No answer (' + a.reason + '): ' + a.detail;
    box.appendChild(el('div', 'answer', head + ', in ' + ms(a.milliseconds)));
    var list = el('ol', 'steps');
    a.steps.forEach(function (step) {
      var li = el('li', 'step');
      li.appendChild(el('span', 'reader', step.reader));
      li.appendChild(document.createTextNode(' (' + step.what + ') '));
      li.appendChild(el('span', 'ms', ms(step.milliseconds)));
      var verdict = el('div');
      verdict.appendChild(el('span', 'verdict verdict-' + step.verdict, step.verdict));
      verdict.appendChild(document.createTextNode(': ' + step.detail));
      li.appendChild(verdict);
      if (step.registry) {
        var place = 'reads ' + step.registry.key;
        var values = step.registry.values;
        if (values.length) place += (values.length > 1 ? ', values "' : ', value "') + values.join('", then "') + '"';
        li.appendChild(el('div', 'note', place + ' (documented; the trace does not name it)'));
      }
      step.lookups.forEach(function (lookup) {
        var t = 'lookup of ' + lookup.host + ': ' + lookup.outcome + (lookup.address ? ' ' + lookup.address : '') +
                ' in ' + ms(lookup.milliseconds);
        if (lookup.timeout) t += '; time-out ' + lookup.timeout.seconds + ' s from "' + lookup.timeout.value + '"';
        li.appendChild(el('div', 'note', t));
      });
      var lines = step.trace.map(function (l) { return '[' + ms(l.ms) + ' ' + l.level + '] ' + l.text; });
      if (lines.length) li.appendChild(el('div', 'lines', lines.join('\n')));
      list.appendChild(li);
    });
    box.appendChild(list);
    if (a.unplaced.length) {
      box.appendChild(el('div', 'note', 'Trace lines not placed in a step:'));
      box.appendChild(el('div', 'lines', a.unplaced.map(function (l) {
        return '[' + ms(l.ms) + ' ' + l.level + '] ' + l.text;
      }).join('\n')));
    }
    return box;
  }

  function renderTable() {
    var body = document.querySelector('#inventory tbody');
    while (body.firstChild) body.removeChild(body.firstChild);
    var shown = rows.map(function (row, index) { return { row: row, index: index }; })
      .filter(function (item) { return !kindShown || item.row.kindName === kindShown; })
      .sort(function (a, b) { return ordered(a.row, b.row); });
    shown.forEach(function (item) {
      var row = item.row;
      var tr = el('tr', 'port-row' + (row.resolved ? '' : ' unresolved') + (open[item.index] ? ' open' : ''));
      tr.setAttribute('data-kind', row.kindName);
      columns.forEach(function (c) {
        var td = el('td', c.numeric ? 'num' : '');
        if (c.key === 'kindName') {
          td.appendChild(el('span', 'kind kind-' + row.kindName, row.kindName));
        } else {
          td.textContent = c.numeric ? Number(row[c.key]).toFixed(1) : text(row[c.key]);
        }
        tr.appendChild(td);
      });
      tr.addEventListener('click', function () {
        open[item.index] = !open[item.index];
        renderTable();
      });
      body.appendChild(tr);
      if (open[item.index]) {
        var detail = el('tr', 'account-row');
        var td = el('td');
        td.colSpan = columns.length;
        td.appendChild(account(row));
        detail.appendChild(td);
        body.appendChild(detail);
      }
    });
  }

  function renderHead() {
    var tr = document.querySelector('#inventory thead tr');
    columns.forEach(function (c) {
      var th = el('th');
      th.setAttribute('data-key', c.key);
      var button = el('button', '', c.label);
      button.type = 'button';
      button.addEventListener('click', function () {
        sortDir = sortKey === c.key ? -sortDir : 1;
        sortKey = c.key;
        Array.prototype.forEach.call(tr.children, function (other) { other.removeAttribute('aria-sort'); });
        th.setAttribute('aria-sort', sortDir > 0 ? 'ascending' : 'descending');
        renderTable();
      });
      th.appendChild(button);
      tr.appendChild(th);
    });
  }

  function renderFilter() {
    var select = document.getElementById('kind-filter');
    var kinds = [];
    rows.forEach(function (row) { if (kinds.indexOf(row.kindName) < 0) kinds.push(row.kindName); });
    kinds.sort().forEach(function (kind) { select.appendChild(el('option', '', kind)); });
    select.addEventListener('change', function () { kindShown = select.value; renderTable(); });
  }

  function renderGroups() {
    var box = document.getElementById('groups');
    var groups = [];
    rows.slice().sort(grouped).forEach(function (row) {
      var key = row.resolved ? row.address : null;
      var last = groups[groups.length - 1];
      if (!last || last.key !== key) groups.push(last = { key: key, kind: row.kindName, rows: [] });
      last.rows.push(row);
    });
    groups.forEach(function (group) {
      var section = el('div', 'group');
      section.appendChild(el('h3', '', group.key === null ? 'No address' : group.key + ' (' + group.kind + ')'));
      var list = el('ul');
      group.rows.forEach(function (row) {
        var li = el('li');
        var details = el('details');
        details.appendChild(el('summary', '', row.port + ' \u2014 ' + row.monitor));
        details.appendChild(account(row));
        li.appendChild(details);
        list.appendChild(li);
      });
      section.appendChild(list);
      box.appendChild(section);
    });
  }

  var unresolved = rows.filter(function (row) { return !row.resolved; }).length;
  document.getElementById('summary').textContent = rows.length + ' ports from ' + data.registry + ', ' +
    unresolved + ' without an address, as the ' + data.line + ' line resolves them.';
  // report.html#open=PORT opens that port's account: a link to one port.
  var wanted = /^#open=(.*)$/.exec(window.location.hash);
  if (wanted) {
    // A link made elsewhere may hold a malformed escape (#open=%E0): it opens nothing.
    var name = null;
    try {
      name = decodeURIComponent(wanted[1]);
    } catch (e) {
      name = null;
    }
    rows.forEach(function (row, index) { if (name !== null && row.port === name) open[index] = true; });
  }
  renderHead();
  renderFilter();
  renderTable();
  renderGroups();
})();
</script>
</body>
</html>
)";

}  // namespace

std::string ScriptSafeJson(const nlohmann::json& data) {
  std::string text = data.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string safe;
  safe.reserve(text.size());
  for (char c : text) {
    // Only inside JSON strings can these stand, and there the escape means the same.
    switch (c) {
      case '<': safe += "\\u003c"; break;
      case '>': safe += "\\u003e"; break;
      case '&': safe += "\\u0026"; break;
      default: safe += c;
    }
  }
  return safe;
}

std::string HtmlReport(const nlohmann::json& data) { return std::string(kHead) + ScriptSafeJson(data) + kTail; }

}  // namespace zrtool
