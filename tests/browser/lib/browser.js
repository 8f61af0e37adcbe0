// Debian's Chromium driven through playwright-core: never a downloaded browser, a fresh profile
// folder for every run, and nothing that reaches out to the network by itself.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const CHROMIUM = process.env.PARVEL_CHROMIUM || '/usr/bin/chromium';
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-sync'];
FLAGS.push('--disable-background-networking', '--disable-component-update', '--disable-quic');

// Resolves to { context, close() }; close() also removes the profile folder.
export async function launchBrowser() {
  if (!fs.existsSync(CHROMIUM)) throw new Error(`${CHROMIUM} is missing: install chromium`);
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'parvel-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: FLAGS,
    viewport: { width: 1280, height: 900 },
    timeout: 120000,
  });
  return {
    context,
    close: async () => {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}
