// One headless Chromium session driven through the DevTools protocol on a pipe (no packages
// beyond Node): a user's steps on the web pages, in order. Fails (exit 1, with the step) when a
// page does not load, a field or button is missing, or a step runs out of time.
// usage: node browser.js PROFILE-DIR STEP...
//   open URL          load a page
//   set NAME=VALUE    choose VALUE in the form field NAME (select, radio or text)
//   click LABEL       press the button LABEL and wait for the page it loads
//   shot FILE.png     keep a screenshot
//   text FILE         keep the page's text
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');

const [profile, ...steps] = process.argv.slice(2);
const kStepSeconds = 30;

const browser = spawn('chromium', [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-dev-shm-usage', '--remote-debugging-pipe', `--user-data-dir=${profile}`,
  '--window-size=1100,1000', 'about:blank'], { stdio: ['ignore', 'ignore', 'inherit', 'pipe', 'pipe'] });
const toBrowser = browser.stdio[3];
const fromBrowser = browser.stdio[4];

let nextId = 1;
const pending = new Map();   // id -> {resolve, reject}
const listeners = new Set(); // (message) => void, for events
let buffered = '';
fromBrowser.on('data', (chunk) => {
  buffered += chunk.toString('utf8');
  for (let end; (end = buffered.indexOf('\0')) >= 0;) {
    const message = JSON.parse(buffered.slice(0, end));
    buffered = buffered.slice(end + 1);
    if (message.id && pending.has(message.id)) {
      const { resolve, reject } = pending.get(message.id);
      pending.delete(message.id);
      if (message.error) reject(new Error(message.error.message)); else resolve(message.result);
    } else {
      for (const listener of listeners) listener(message);
    }
  }
});

function send(method, params = {}, sessionId) {
  const id = nextId++;
  toBrowser.write(JSON.stringify({ id, method, params, sessionId }) + '\0');
  return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
}

function withTimeout(promise, what) {
  let timer;
  const expiry = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer in ${kStepSeconds} s`)), kStepSeconds * 1000);
  });
  return Promise.race([promise, expiry]).finally(() => clearTimeout(timer));
}

// The next load of the page, to be awaited after the step that causes it.
function nextLoad(sessionId) {
  return new Promise((resolve) => {
    const listener = (message) => {
      if (message.sessionId === sessionId && message.method === 'Page.loadEventFired') {
        listeners.delete(listener);
        resolve();
      }
    };
    listeners.add(listener);
  });
}

async function evaluate(sessionId, expression) {
  const answer = await send('Runtime.evaluate', { expression, returnByValue: true }, sessionId);
  if (answer.exceptionDetails) throw new Error(answer.exceptionDetails.text);
  return answer.result.value;
}

// Runs in the page: chooses value in the field name, or says why it cannot.
function setField(name, value) {
  const fields = [...document.getElementsByName(name)];
  if (fields.length === 0) return `no field ${name}`;
  const field = fields[0];
  if (field.type === 'radio') {
    const choice = fields.find((f) => f.value === value);
    if (!choice) return `${name} offers no ${value}`;
    choice.checked = true;
  } else if (field.tagName === 'SELECT') {
    if (![...field.options].some((o) => o.value === value)) return `${name} offers no ${value}`;
    field.value = value;
  } else {
    field.value = value;
  }
  return '';
}

// Runs in the page: presses the button labelled label, or says it is missing.
function pressButton(label) {
  const button = [...document.querySelectorAll('input[type=submit], button')]
    .find((b) => (b.value || b.textContent).trim() === label);
  if (!button) return `no button "${label}"`;
  button.click();
  return '';
}

async function run() {
  const { targetId } = await send('Target.createTarget', { url: 'about:blank' });
  const { sessionId } = await send('Target.attachToTarget', { targetId, flatten: true });
  await send('Page.enable', {}, sessionId);
  for (let i = 0; i < steps.length; i += 2) {
    const [step, argument] = [steps[i], steps[i + 1]];
    const what = `${step} ${argument}`;
    if (step === 'open') {
      const loaded = nextLoad(sessionId);
      const answer = await withTimeout(send('Page.navigate', { url: argument }, sessionId), what);
      if (answer.errorText) throw new Error(`${what}: ${answer.errorText}`);
      await withTimeout(loaded, what);
    } else if (step === 'set') {
      const at = argument.indexOf('=');
      const why = await evaluate(sessionId,
        `(${setField})(${JSON.stringify(argument.slice(0, at))}, ${JSON.stringify(argument.slice(at + 1))})`);
      if (why) throw new Error(`${what}: ${why}`);
    } else if (step === 'click') {
      const loaded = nextLoad(sessionId);
      const why = await evaluate(sessionId, `(${pressButton})(${JSON.stringify(argument)})`);
      if (why) throw new Error(`${what}: ${why}`);
      await withTimeout(loaded, what);
    } else if (step === 'shot') {
      const { data } = await withTimeout(send('Page.captureScreenshot', { format: 'png' }, sessionId), what);
      fs.writeFileSync(argument, Buffer.from(data, 'base64'));
    } else if (step === 'text') {
      fs.writeFileSync(argument, await evaluate(sessionId, 'document.body.innerText'));
    } else {
      throw new Error(`unknown step "${step}"`);
    }
    console.log(`ok: ${what}`);
  }
}

run().then(() => {
  browser.kill();
  process.exit(0);
}, (error) => {
  console.log(`FAILED: ${error.message}`);
  browser.kill();
  process.exit(1);
});
