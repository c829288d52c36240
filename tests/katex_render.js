// Renders LaTeX strings with KaTeX, as notebook front ends do.
// stdin: a JSON array of strings. stdout: a JSON array with, for each string,
// null when KaTeX accepts it or the error message KaTeX gives.
"use strict";

function loadKatex() {
    try {
        return require("katex");
    } catch (e) {
        // Debian's package, when node does not search /usr/share/nodejs itself.
        return require("/usr/share/nodejs/katex");
    }
}

const katex = loadKatex();
const chunks = [];
process.stdin.on("data", (c) => chunks.push(c));
process.stdin.on("end", () => {
    const items = JSON.parse(Buffer.concat(chunks).toString("utf8"));
    const results = items.map((s) => {
        try {
            katex.renderToString(s, { throwOnError: true, displayMode: true });
            return null;
        } catch (e) {
            return String(e.message);
        }
    });
    process.stdout.write(JSON.stringify(results));
});
