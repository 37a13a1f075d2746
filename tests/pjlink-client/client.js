// Drives qn62-pjlink, in front of the simulated projector, with a
// third-party PJLink client: power on through warm-up to on, inputs, mute,
// lamp, error answers, the fixed answers, power off, wrong passwords.
// Usage: node client.js PORT PASSWORD
'use strict';
const assert = require('node:assert/strict');
const PJLink = require('pjlink');

const [port, password] = [Number(process.argv[2]), process.argv[3]];
const projector = new PJLink('127.0.0.1', port, password);
let checks = 0;

// Calls a method of the client; resolves with its error and value.
function call(client, name, ...args) {
  return new Promise((resolve) => client[name](...args, (err, value) => resolve({ err, value })));
}
async function expect(name, args, value) {
  const r = await call(projector, name, ...args);
  assert.ifError(r.err);
  assert.deepEqual(r.value, value, `${name}(${JSON.stringify(args)})`);
  checks++;
}
async function expectError(client, name, args, message) {
  const r = await call(client, name, ...args);
  assert.ok(r.err, `${name}(${JSON.stringify(args)}) must fail`);
  assert.match(r.err.message, message);
  checks++;
}
// Asks again every 100 ms until the value is as wanted, for at most ms.
async function until(name, value, ms) {
  const end = Date.now() + ms;
  for (;;) {
    const r = await call(projector, name);
    try {
      assert.deepEqual(r.value, value);
      checks++;
      return;
    } catch (e) {
      if (Date.now() > end) throw e;
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}
const input = (source, channel, code, name) => ({ source, channel, code, name });

(async () => {
  await expect('getPowerState', [], PJLink.POWER.OFF);
  await expect('getInput', [], input(1, 1, '11', 'RGB - 1'));
  await expect('getLamps', [], [{ hours: 1234, on: false }]);
  // ERR3 in standby.
  await expectError(projector, 'setInput', [{ source: 'rgb', channel: 2 }], /unavailable/i);
  await expectError(projector, 'getMute', [], /unavailable/i);

  await expect('powerOn', [], undefined);
  await expect('getPowerState', [], PJLink.POWER.WARMING_UP);
  await expect('getLamps', [], [{ hours: 1234, on: true }]);
  await until('getPowerState', PJLink.POWER.ON, 10000);

  await expect('setInput', [{ source: 'rgb', channel: 2 }], undefined);
  await expect('getInput', [], input(1, 2, '12', 'RGB - 2'));
  await expect('setInput', [{ source: 'video', channel: 1 }], undefined);
  await expect('getInput', [], input(2, 1, '21', 'VIDEO - 1'));
  await expectError(projector, 'setInput', [{ source: 'digital', channel: 1 }], /parameter/i); // ERR2

  // This client never calls back after a mute; its effect is polled.
  projector.setMute(true, true, () => {});
  await until('getMute', { audio: true, video: true }, 5000);
  projector.setMute(false, false, () => {});
  await until('getMute', { audio: false, video: false }, 5000);

  await expect('getErrors', [], null);
  await expect('getInputs', [], [input(1, 1, '11', 'RGB - 1'), input(1, 2, '12', 'RGB - 2'),
    input(2, 1, '21', 'VIDEO - 1')]);
  await expect('getName', [], 'QN62');
  await expect('getManufacturer', [], 'TORVA');
  await expect('getModel', [], 'QN62');
  await expect('getClass', [], '1');
  const info = await call(projector, 'getInfo');
  assert.ok(!info.err && 'QN62 V1.40'.startsWith(info.value) && info.value.length > 0);

  await expect('powerOff', [], undefined);
  await expect('getPowerState', [], PJLink.POWER.COOLING_DOWN);
  await until('getPowerState', PJLink.POWER.OFF, 10000);

  await expectError(new PJLink('127.0.0.1', port, password + 'x'), 'getPowerState', [], /authori/i);
  await expectError(new PJLink('127.0.0.1', port), 'getPowerState', [], /authori/i);
  console.log(`${checks} passed, 0 failed`);
  process.exit(0);
})().catch((e) => {
  console.error(e);
  console.log(`${checks} passed, 1 failed`);
  process.exit(1);
});
