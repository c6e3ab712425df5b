// The page is one file that people keep and pass around: it stays small, and
// carries the notices of what it is made of.

import assert from 'node:assert/strict';
import { readFileSync, statSync } from 'node:fs';
import { test } from 'node:test';

import { pagePath } from './support.mjs';

test('ondrel.html is at most 512 KiB', () => {
    const { size } = statSync(pagePath);
    assert.ok(size <= 512 * 1024, `${pagePath}: ${size} bytes`);
});

test('ondrel.html carries the licences of its parts', () => {
    const page = readFileSync(pagePath, 'utf8');
    for (const notice of ['Copyright (c) 2026 Ondrel developers', 'Copyright (c) 2016-2022 melonDS team',
        'Arjun Barrett'])
        assert.ok(page.includes(notice), notice);
});
