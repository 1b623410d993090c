// Where the kelvconv program is: the setting, else the PATH, else (on Windows) the folder the
// installer puts it in. No editor API here, so that the tests run it under plain Node.
'use strict';
const fs = require('fs');
const path = require('path');

function isFile(file) {
  try {
    return fs.statSync(file).isFile();
  } catch {
    return false;
  }
}

// The program to start with --lsp, or null when there is none. On Windows it is the console
// twin kelvconv.com: it never shows a box, and its standard streams are the editor's pipes.
function serverCommand({ setting = '', platform = process.platform, env = process.env, exists = isFile } = {}) {
  if (setting) return setting;
  const windows = platform === 'win32';
  const name = windows ? 'kelvconv.com' : 'kelvconv';
  const join = windows ? path.win32.join : path.posix.join;
  const list = (windows ? env.Path || env.PATH : env.PATH) || '';
  for (const folder of list.split(windows ? ';' : ':')) {
    if (folder && exists(join(folder, name))) return join(folder, name);
  }
  if (windows && env.LOCALAPPDATA) {
    const installed = join(env.LOCALAPPDATA, 'Programs', 'kelvconv', name);
    if (exists(installed)) return installed;
  }
  return null;
}

module.exports = { serverCommand, convertCommand: 'kelvconv.server.convertFolder' };
