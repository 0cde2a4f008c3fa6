// Applies a page's string file (<page>_<locale>.wxl next to the page) to the
// elements that carry the strings' ids.
var l10n = (function () {
    var log = require("log");
    var errors = require("errors");
    var activex = require("activex");
    var Filename = require("Filename");

    // A string file from the resources arrives within milliseconds; this only
    // bounds a load that never completes.
    var LOAD_LIMIT_MS = 30000;

    function pageUrl() {
        return String(document.location.href).replace(/[?#].*$/, "");
    }

    function stringFileUrl(locale) {
        var url = pageUrl();
        return Filename.dir(url) + Filename.basename(url) + "_" + locale + ".wxl";
    }

    function fail(url, reason) {
        var message = url + ": xml loading/parsing error - " + reason;
        log.error(message);
        throw new Error(message);
    }

    function now() {
        return new Date().getTime();
    }

    // MSXML loads from res:// only asynchronously; the host's delay lets the
    // UI thread wait without spinning.
    function loadWithMsxml(url) {
        var doc = activex.create("Msxml2.DOMDocument");
        doc.async = true;
        doc.load(url);
        var start = now();
        while (doc.readyState != 4) {
            if (now() - start > LOAD_LIMIT_MS) {
                fail(url, "not loaded within " + LOAD_LIMIT_MS + " ms");
            }
            host.delay(10);
        }
        if (doc.parseError && doc.parseError.errorCode !== 0) {
            fail(url, String(doc.parseError.reason).replace(/\s+$/, ""));
        }
        return doc;
    }

    // Engines without ActiveX: the same document through the standard objects.
    function loadWithXhr(url) {
        var request = new XMLHttpRequest();
        try {
            request.open("GET", url, false);
            request.send(null);
        } catch (e) {
            fail(url, errors.text(e));
        }
        if (request.status !== 200 && !(request.status === 0 && request.responseText)) {
            fail(url, "status " + request.status);
        }
        var doc = new DOMParser().parseFromString(request.responseText, "application/xml");
        var problems = doc.getElementsByTagName("parsererror");
        if (problems.length > 0 || !doc.documentElement) {
            fail(url, problems.length > 0 ? textOf(problems[0]).replace(/\s+/g, " ") : "no document");
        }
        return doc;
    }

    function load(url) {
        return activex.available() ? loadWithMsxml(url) : loadWithXhr(url);
    }

    function textOf(node) {
        return node.textContent !== undefined ? node.textContent : node.text;
    }

    function nameOf(node) {
        return node.localName || node.baseName || node.nodeName;
    }

    function escapeAttribute(text) {
        return String(text).replace(/&/g, "&amp;").replace(/"/g, "&quot;").replace(/</g, "&lt;");
    }

    // "[label]" becomes a link when the targets name an address for it: a plain
    // text target is the key "_", and "[#key|label]" picks another key.
    function resolveLinks(text, targets) {
        if (targets === undefined || targets === null) {
            return text;
        }
        if (typeof targets !== "object") {
            targets = {_: String(targets)};
        }
        return text.replace(/\[([^\[\]]+)\]/g, function (whole, inner) {
            var key = "_";
            var label = inner;
            var selector = /^#([^|]*)\|/.exec(inner);
            if (selector) {
                key = selector[1];
                label = inner.substring(selector[0].length);
            }
            if (!Object.prototype.hasOwnProperty.call(targets, key)) {
                return whole;
            }
            return "<a href=\"#\" shadow_href=\"" + escapeAttribute(targets[key]) + "\">" + label + "</a>";
        });
    }

    // The first "&" before another character marks the access key. It is taken
    // from the text before the links are made, so that an address holding "&"
    // cannot give the key.
    function takeAccessKey(text) {
        var at = text.indexOf("&");
        if (at < 0 || at === text.length - 1) {
            return {text: text, key: ""};
        }
        return {text: text.substring(0, at) + text.substring(at + 1), key: text.charAt(at + 1)};
    }

    function targetsFor(id) {
        var all = window.urls;
        if (all && Object.prototype.hasOwnProperty.call(all, id)) {
            return all[id];
        }
        return undefined;
    }

    function applyString(id, text) {
        var element = document.getElementById(id);
        if (element) {
            var marked = takeAccessKey(text);
            element.innerHTML = resolveLinks(marked.text, targetsFor(id));
            if (marked.key) {
                element.accessKey = marked.key;
            }
        } else if (id === "title") {
            document.title = text;
            host.setWindowProp("title", text);
        } else if (id !== "lang") {
            log.warning("element[" + id + "] not found");
        }
    }

    function apply(doc) {
        var nodes = doc.documentElement.childNodes;
        for (var i = 0; i < nodes.length; i++) {
            var node = nodes[i];
            if (node.nodeType === 1 && nameOf(node) === "String") {
                applyString(node.getAttribute("Id"), textOf(node));
            }
        }
    }

    function setLocale(locale) {
        var root = document.getElementById("root");
        if (root) {
            root.style.display = "none";
        }
        try {
            // Lets the style sheet pick the fonts of the language.
            document.documentElement.setAttribute("lang", String(locale).replace("_", "-"));
            apply(load(stringFileUrl(locale)));
        } finally {
            if (root) {
                root.style.display = "block";
            }
        }
    }

    return {
        setLocale: setLocale,
        stringFileUrl: stringFileUrl,
        resolveLinks: resolveLinks,
        takeAccessKey: takeAccessKey
    };
}());
