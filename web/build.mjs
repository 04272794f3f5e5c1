// Builds the page into the folder given as argument: its own files and the
// chart library, as they are served, and prints their size.
import { copyFileSync, mkdirSync, readdirSync, statSync } from "node:fs";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const out = process.argv[2];
const modules = process.argv[3] || join(here, "node_modules");
if (!out) {
  console.error("usage: node build.mjs <output folder> [node_modules folder]");
  process.exit(2);
}
mkdirSync(out, { recursive: true });
const files = [
  ...readdirSync(join(here, "src")).map((f) => [join(here, "src", f), f]),
  [join(modules, "uplot/dist/uPlot.iife.min.js"), "uPlot.iife.min.js"],
  [join(modules, "uplot/dist/uPlot.min.css"), "uPlot.min.css"],
];
let total = 0;
for (const [from, name] of files) {
  copyFileSync(from, join(out, name));
  total += statSync(from).size;
}
console.log(`web page: ${files.length} files, ${(total / 1024).toFixed(1)} KiB, in ${out}`);
