// The page runtime: a small module loader and the modules every page needs.
// ECMAScript 5 only: the same scripts run in the WebBrowser control of Windows.
var require = (function () {
    var factories = {};
    var modules = {};

    function require(name) {
        if (Object.prototype.hasOwnProperty.call(modules, name)) {
            return modules[name];
        }
        if (!Object.prototype.hasOwnProperty.call(factories, name)) {
            throw new Error("unknown module: " + name);
        }
        var exports = {};
        // Registered before the factory runs, so that two modules may require each other.
        modules[name] = exports;
        var made = factories[name](require, exports);
        if (made !== undefined) {
            modules[name] = made;
        }
        return modules[name];
    }

    require.define = function (name, factory) {
        factories[name] = factory;
    };
    return require;
}());

// The text of anything thrown: script errors, host errors (which carry only a
// description in older engines) and plain values.
require.define("errors", function () {
    return {
        text: function (e) {
            if (e === null || e === undefined) {
                return String(e);
            }
            if (typeof e === "object") {
                if (e.message) {
                    return String(e.message);
                }
                if (e.description) {
                    return String(e.description);
                }
            }
            return String(e);
        }
    };
});

require.define("log", function () {
    var channels = ["trace", "info", "warning", "error"];

    function format(channel, message) {
        return channel.toUpperCase() + ": " + message;
    }

    function consoleWriter(channel, record) {
        if (typeof console !== "undefined" && console && console.log) {
            console.log(record);
        }
    }

    var log = {
        // Replaceable: receives the channel name and the formatted record.
        writer: consoleWriter,
        // Replaceable: turns a channel and its message into the record.
        format: format,
        setWriter: function (writer) {
            log.writer = writer || consoleWriter;
        },
        write: function (channel, args) {
            var message = Array.prototype.join.call(args, " ");
            try {
                log.writer(channel, log.format(channel, message));
            } catch (e) {
                // A logger that fails must not take the page down with it.
            }
            return message;
        },
        fatal: function () {
            throw new Error(log.write("error", arguments));
        }
    };

    function channel(name) {
        return function () {
            log.write(name, arguments);
        };
    }
    for (var i = 0; i < channels.length; i++) {
        log[channels[i]] = channel(channels[i]);
    }
    return log;
});

require.define("activex", function (require) {
    var log = require("log");
    var errors = require("errors");
    return {
        // The engine offers ActiveX (Internet Explorer's engines; IE 11 hides the
        // constructor from window.ActiveXObject but not from the `in` test).
        available: function () {
            return typeof window !== "undefined" && ("ActiveXObject" in window);
        },
        create: function (progId) {
            try {
                return new ActiveXObject(progId);
            } catch (e) {
                log.error("new ActiveXObject(" + progId + ") failed: " + errors.text(e));
                throw e;
            }
        }
    };
});

require.define("Filename", function () {
    function lastSeparator(path) {
        return Math.max(path.lastIndexOf("/"), path.lastIndexOf("\\"));
    }
    return {
        // Up to and including the last separator: "a/b/c.html" gives "a/b/".
        dir: function (path) {
            return path.substring(0, lastSeparator(path) + 1);
        },
        // The last component without its suffix: "a/b/c.html" gives "c".
        basename: function (path) {
            var name = path.substring(lastSeparator(path) + 1);
            var dot = name.lastIndexOf(".");
            return dot > 0 ? name.substring(0, dot) : name;
        },
        unix: {
            join: function (a, b) {
                return String(a).replace(/\/+$/, "") + "/" + String(b).replace(/^\/+/, "");
            }
        }
    };
});
