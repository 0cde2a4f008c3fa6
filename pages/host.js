// The page's side of the host: every call goes to the launcher's `external`
// object when the page runs inside it, and has a harmless stand-in otherwise,
// so that a page opened by itself still works.
var host = (function () {
    var log = require("log");
    var callers = [];

    function external() {
        try {
            return window.external;
        } catch (e) {
            return undefined;
        }
    }

    // The host's methods answer `typeof` with "unknown" in Internet Explorer's
    // engines, and an unknown name may throw there: only "undefined" or a throw
    // means the member is missing.
    function has(object, name) {
        if (object === undefined || object === null) {
            return false;
        }
        try {
            return typeof object[name] !== "undefined";
        } catch (e) {
            return false;
        }
    }

    // Host methods are not script functions (they have no apply), so each call
    // is made with its exact argument count.
    function caller(count) {
        if (!callers[count]) {
            var list = [];
            for (var i = 0; i < count; i++) {
                list.push("a[" + i + "]");
            }
            callers[count] = new Function("o", "m", "a", "return o[m](" + list.join(",") + ");");
        }
        return callers[count];
    }

    function forward(name, args, otherwise) {
        var object = external();
        if (has(object, name)) {
            return caller(args.length)(object, name, args);
        }
        return otherwise(args);
    }

    function nothing() {
        return undefined;
    }

    var host = {
        log: function () {
            return forward("log", arguments, nothing);
        },
        notify: function () {
            return forward("notify", arguments, function (args) {
                var text = "notify";
                for (var i = 0; i < args.length; i++) {
                    text += "\narg[" + i + "]=" + args[i];
                }
                window.alert(text);
            });
        },
        getLocale: function () {
            var locale = forward("getLocale", arguments, function () {
                return "en";
            });
            return String(locale);
        },
        setWindowProp: function () {
            return forward("setWindowProp", arguments, nothing);
        },
        delay: function () {
            return forward("delay", arguments, nothing);
        }
    };

    // The page's log records go to the launcher's log, at the channel's level.
    log.setWriter(function (channel, record) {
        host.log(channel.toUpperCase(), record);
    });
    return host;
}());
