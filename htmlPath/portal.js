// Shared page script of the portal. Documents come from the program as JSON texts; they are
// parsed with JSON.parse and their values are always inserted as text.
var Portal = (function () {
  "use strict";
  var LINK = "http://velquor.portal/newslist.html";
  var PAGE_SIZE = 15;

  function parse(doc) {
    if (typeof doc !== "string" || doc === "") { return null; }
    try { return JSON.parse(doc); } catch (e) { return null; }
  }
  function $(id) { return document.getElementById(id); }
  function el(tag, cls, text) {
    var e = document.createElement(tag);
    if (cls) { e.className = cls; }
    if (text !== undefined && text !== null) { e.textContent = String(text); }
    return e;
  }
  function clear(node) { while (node && node.firstChild) { node.removeChild(node.firstChild); } }
  function go(url) { if (url) { window.location.href = url; } }
  function str(v) { return typeof v === "string" ? v : ""; }
  function trim(s) { return str(s).replace(/^\s+|\s+$/g, ""); }

  // A link the program reads: list items carry a pseudo-address; home slots carry a query.
  function itemLink(url) {
    url = trim(url);
    if (url === "") { return ""; }
    if (url.indexOf("prdid=") === 0) { return LINK + "?" + url; }
    return url;
  }
  // A menu entry: "newlist.html_flaid=M&" becomes a link ending in "flaid=M".
  function menuLink(url) {
    url = trim(url).replace(/&$/, "");
    var at = url.indexOf("flaid=");
    if (url.indexOf("newlist.html_") === 0 && at >= 0) { return LINK + "?flaid=" + url.substring(at + 6); }
    return url;
  }
  function newsRow(item, withType) {
    var li = el("li");
    var t = el("a", "t", str(item.caption || item.title));
    var url = itemLink(item.url);
    if (url) { t.href = "#"; t.onclick = function () { go(url); return false; }; }
    t.title = str(item.caption || item.title);
    li.appendChild(t);
    if (item.author !== undefined) { li.appendChild(el("span", "a", str(item.author))); }
    li.appendChild(el("span", "d", str(item.time)));
    return li;
  }

  var state = { list: null, pagerTarget: "getPage" };

  function showHome(doc) {
    var d = parse(doc);
    if (!d) { return; }
    ["post", "lupdate", "reread", "mylove"].forEach(function (key) {
      var ul = $("home_" + key);
      if (!ul) { return; }
      clear(ul);
      var n = 0;
      (d[key] || []).forEach(function (item) {
        if (!str(item.title) && !str(item.url)) { return; }
        ul.appendChild(newsRow(item, false));
        n++;
      });
      if (n === 0) { ul.appendChild(el("li", "empty", "暂无内容")); }
    });
  }
  function showLoginName(doc) {
    var d = parse(doc);
    if (d && $("loginName") && str(d.loginName)) {
      $("loginName").textContent = str(d.loginName);
      $("userBox").className = "user on";
    }
  }
  function singleSignOn(doc) {
    var d = parse(doc);
    if (d && $("consoleBox")) { $("consoleBox").className = "console on"; }
  }
  function Communication_flash(doc) {
    var d = parse(doc), bar = $("menubar");
    if (!d || !bar) { return; }
    clear(bar);
    (d.col || []).forEach(function (item) {
      var a = el("a", null, str(item.title));
      var url = menuLink(item.url);
      a.href = "#";
      a.onclick = function () { go(url); return false; };
      bar.appendChild(a);
    });
  }
  function showColmn(doc) {
    var d = parse(doc), ul = $("columns");
    if (!d || !ul) { return; }
    if ($("columnTitle")) { $("columnTitle").textContent = trim(d.title) || "栏目"; }
    clear(ul);
    (d.col || []).forEach(function (item) {
      var li = el("li"), a = el("a", null, str(item.title));
      a.href = "#";
      a.onclick = function () { go(trim(item.url)); return false; };
      li.appendChild(a);
      ul.appendChild(li);
    });
    if (!(d.col || []).length) { ul.appendChild(el("li", "empty", "暂无栏目")); }
  }
  function OutputHtml(doc, page) {
    var d = parse(doc), ul = $("list");
    if (!d || !ul) { return; }
    state.list = d;
    var sites = (d.sites || []).filter(function (s) { return str(s.caption) || str(s.url); });
    var pages = Math.max(1, Math.ceil(sites.length / PAGE_SIZE));
    var p = parseInt(page, 10);
    if (!(p >= 1)) { p = 1; }
    if (p > pages) { p = pages; }
    // Blank titles keep the page's own heading.
    if ($("listTitle") && trim(d.title)) { $("listTitle").textContent = trim(d.title); }
    clear(ul);
    var board = document.body.getAttribute("data-page") === "messagelist";
    sites.slice((p - 1) * PAGE_SIZE, p * PAGE_SIZE).forEach(function (s) {
      ul.appendChild(newsRow(s, board));
    });
    if (sites.length === 0) { ul.appendChild(el("li", "empty", "暂无内容")); }
    var pager = $("pager");
    if (!pager) { return; }
    clear(pager);
    for (var i = 1; i <= pages && pages > 1; i++) {
      (function (n) {
        var a = el("a", n === p ? "cur" : null, String(n));
        a.href = "#";
        a.id = "page_" + n;
        a.onclick = function () {
          go(board ? "messagelist.html?getmessagelisturl=" + n : "newslist.html?getPage=" + n);
          return false;
        };
        pager.appendChild(a);
      })(i);
    }
  }
  // A contact's state as the contact document gives it: online from the session, or the
  // login state the contact chose (busy 5, away 4, invisible 3, which others see as offline).
  var STATES = { "1": "在线", "5": "忙碌", "4": "离开", "3": "离线", "0": "离线" };
  // Contacts whose messages wait, kept when the list is drawn again.
  var waiting = {};
  function contactItem(c) {
    var uid = str(c.uid), st = str(c.title);
    var li = el("li", "contact st" + (STATES.hasOwnProperty(st) ? st : "0"));
    li.appendChild(el("span", "dot"));
    var a = el("a", null, str(c.name));
    a.href = "#";
    a.title = str(c.name) + " " + (STATES[st] || "离线");
    a.onclick = function () {
      go("chat.html?id=" + encodeURIComponent(uid) + "&FriendName=" + encodeURIComponent(str(c.name)));
      return false;
    };
    li.appendChild(a);
    li.appendChild(el("span", "state", STATES[st] || "离线"));
    var b = el("span", waiting[uid] ? "badge on" : "badge", "新");
    b.id = "msg_" + uid;
    li.appendChild(b);
    return li;
  }
  function contactGroup(box, title, members) {
    if (!members || members.length === 0) { return; }
    box.appendChild(el("h3", null, title === "" ? "未分组" : title));
    var ul = el("ul", "news");
    members.forEach(function (c) { ul.appendChild(contactItem(c)); });
    box.appendChild(ul);
  }
  function showonline(doc) {
    var d = parse(doc), box = $("contacts");
    if (!d || !box) { return; }
    clear(box);
    contactGroup(box, "同事", d.col || []);
    (d.cus || []).forEach(function (team) { contactGroup(box, str(team.Team), team.teamMembers || []); });
    if (!box.firstChild) { box.appendChild(el("div", "empty", "暂无联系人")); }
  }
  function changepic(doc) {
    var d = parse(doc);
    if (!d) { return; }
    (d.line || []).forEach(function (l) {
      var uid = str(l.uid), on = str(l.title) === "2";
      if (on) { waiting[uid] = true; } else { delete waiting[uid]; }
      var b = $("msg_" + uid);
      if (b) { b.className = on ? "badge on" : "badge"; }
    });
  }
  function getImage(doc) {
    var d = parse(doc), box = $("strip");
    if (!box) { return; }
    clear(box);
    if (!d) { box.appendChild(el("span", "empty", "暂无图片")); return; }
    (d.img || []).forEach(function (i) {
      var a = el("a");
      a.href = "#";
      var url = itemLink(i.url);
      a.onclick = function () { go(url); return false; };
      var src = str(i.src);
      if (/^(data:|file:|[^:]*$)/.test(src) && src) {
        var img = el("img");
        img.src = src;
        img.alt = "";
        // A picture that cannot be loaded leaves the plain tile rather than a broken icon.
        img.onerror = function () { if (img.parentNode) { img.parentNode.removeChild(img); } };
        a.appendChild(img);
      } else {
        a.textContent = src.replace(/^.*\//, "");
      }
      box.appendChild(a);
    });
  }
  function showflash() {
    var f = $("flashBox");
    if (f) { f.className = f.className.indexOf("on") >= 0 ? "flash" : "flash on"; }
  }
  return { parse: parse, showHome: showHome, showLoginName: showLoginName, singleSignOn: singleSignOn,
           Communication_flash: Communication_flash, showColmn: showColmn, OutputHtml: OutputHtml,
           showonline: showonline, changepic: changepic, getImage: getImage, showflash: showflash,
           el: el, clear: clear, str: str, go: go };
})();
