// Makes the parts of the extension that come from kelvconv's own tables, at build time:
//   - package.json: the version, and the language's file names and patterns;
//   - syntaxes/kelvconv.tmLanguage.json: the colours before the server starts (tags, the data
//     lines of sections, numbers, '#' line breaks, and the text outside sections as comments).
//
//   node scripts/generate.js KELVCONV FOLDER     (FOLDER holds a copy of the extension)
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');

function escape(s) {
  return s.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
}

function grammar(formats) {
  const opening = new Set();
  const all = new Set();
  for (const format of [...formats.kinds, formats.names_file]) {
    for (const group of format.groups) {
      for (const section of group) {
        if (section.open_tag) opening.add(section.name);
        all.add(section.name);
      }
    }
  }
  const names = (set) => [...set].sort().map(escape).join('|');
  const anyTag = `^</?(?:${names(all)})>$`;
  return {
    $schema: 'https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json',
    name: 'kelvconv',
    scopeName: 'source.kelvconv',
    comment: `Made by scripts/generate.js from kelvconv ${formats.version} --explain --json.`,
    patterns: [{ include: '#section' }, { include: '#tag' }, { include: '#comment' }],
    repository: {
      // A tag is a whole line, with nothing before or after it.
      tag: { match: anyTag, name: 'entity.name.tag.kelvconv' },
      section: {
        begin: `^<(?:${names(opening)})>$`,
        beginCaptures: { 0: { name: 'entity.name.tag.kelvconv' } },
        end: `(?=${anyTag})`,
        patterns: [{ include: '#value' }],
      },
      value: {
        patterns: [
          { match: '(?<=^|\\s)[-+]?(?:\\d+\\.\\d*|\\.\\d+|\\d+)(?:[eE][-+]?\\d+)?(?=\\s|$)', name: 'constant.numeric.kelvconv' },
          { match: '#', name: 'constant.character.escape.kelvconv' },
        ],
      },
      comment: { match: '^.+$', name: 'comment.line.kelvconv' },
    },
  };
}

function main() {
  const [program, folder] = process.argv.slice(2);
  if (!program || !folder) {
    console.error('usage: node scripts/generate.js KELVCONV FOLDER');
    process.exit(2);
  }
  const formats = JSON.parse(execFileSync(program, ['--explain', '--json'], { encoding: 'utf8' }));
  const manifest = JSON.parse(fs.readFileSync(path.join(folder, 'package.json'), 'utf8'));
  manifest.version = formats.version;
  const language = manifest.contributes.languages.find((l) => l.id === 'kelvconv');
  language.filenames = formats.kinds.filter((k) => k.match === 'name').map((k) => k.source);
  language.filenames.push(formats.names_file.name);
  language.filenamePatterns = formats.kinds.filter((k) => k.match === 'prefix').map((k) => k.pattern);
  fs.writeFileSync(path.join(folder, 'package.json'), JSON.stringify(manifest, null, 2) + '\n');
  fs.mkdirSync(path.join(folder, 'syntaxes'), { recursive: true });
  fs.writeFileSync(path.join(folder, 'syntaxes', 'kelvconv.tmLanguage.json'),
                   JSON.stringify(grammar(formats), null, 2) + '\n');
}

if (require.main === module) main();
module.exports = { grammar };
