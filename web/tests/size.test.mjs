// The page is one file that people keep and pass around: it stays small.

import assert from 'node:assert/strict';
import { statSync } from 'node:fs';
import { test } from 'node:test';

import { pagePath } from './support.mjs';

test('ondrel.html is at most 512 KiB', () => {
    const { size } = statSync(pagePath);
    assert.ok(size <= 512 * 1024, `${pagePath}: ${size} bytes`);
});
