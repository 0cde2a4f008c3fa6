// The page frame: moves each page's content into place, applies its strings
// and wires its links; runs the pages' load handlers in order.
var addOnloadCallback = (function () {
    var callbacks = [];
    var log = require("log");
    var errors = require("errors");

    function runAll() {
        for (var i = 0; i < callbacks.length; i++) {
            try {
                callbacks[i]();
            } catch (e) {
                log.error("load handler failed: " + errors.text(e));
            }
        }
    }
    if (window.addEventListener) {
        window.addEventListener("load", runAll, false);
    } else {
        window.attachEvent("onload", runAll);
    }
    return function (callback) {
        callbacks.push(callback);
    };
}());

// The last button that can take the focus gets it: the page's main action.
addOnloadCallback(function () {
    var buttons = document.getElementsByTagName("button");
    for (var i = buttons.length - 1; i >= 0; i--) {
        var button = buttons[i];
        if (!button.disabled && button.offsetWidth > 0 && button.offsetHeight > 0) {
            try {
                button.focus();
                return;
            } catch (e) {
                // Not focusable after all: try the one before.
            }
        }
    }
});

function initLayout() {
    var blocks = ["header", "main", "footer_left", "footer_right"];
    for (var i = 0; i < blocks.length; i++) {
        var source = document.getElementById(blocks[i] + ".src");
        if (!source) {
            continue;
        }
        var target = document.getElementById(blocks[i]);
        while (target && source.firstChild) {
            target.appendChild(source.firstChild);
        }
        source.parentNode.removeChild(source);
    }

    l10n.setLocale(host.getLocale());

    var anchors = document.body.getElementsByTagName("a");
    for (var j = 0; j < anchors.length; j++) {
        anchors[j].onclick = followLink;
    }
}

function followLink() {
    var address = this.getAttribute("shadow_href");
    host.notify("a", address === null ? "" : address);
    // The host opens it; the page itself stays where it is.
    return false;
}
