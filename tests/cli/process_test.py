#!/usr/bin/env python3
"""pakrill-cli as a process: its output read back by real parsers, its standard
streams and its limits. Usage: process_test.py PATH-TO-pakrill-cli"""
import csv
import hashlib
import io
import json
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import unicodedata
import unittest

CLI = os.path.abspath(sys.argv.pop(1))


def run(args, **kw):
    kw.setdefault('stdout', subprocess.PIPE)
    kw.setdefault('stderr', subprocess.PIPE)
    return subprocess.run([CLI] + args, timeout=60, **kw)


def md5(data):
    return hashlib.md5(data).hexdigest().upper()


def width(text):
    return sum(0 if unicodedata.combining(c) else 2 if unicodedata.east_asian_width(c) in 'WF' else 1 for c in text)


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix='pakrill-cli-')
        os.chmod(self.dir, 0o755)

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def write(self, name, data):
        path = os.path.join(os.fsencode(self.dir), os.fsencode(name) if isinstance(name, str) else name)
        with open(path, 'wb') as f:
            f.write(data)
        return path


# Names that each break some naive format: a tab, a line break, a backslash, a
# quote and comma, bytes that are not UTF-8, and wide characters.
AWKWARD = [b'tab\there.sis', b'line\nbreak.sis', b'back\\slash.sis', b'q"uo,te.sis', b'\xff\xfe.sis',
           'パッケージ.sis'.encode(), b'cr\rhere.sis', b'plain.sis']


class Formats(Base):
    def setUp(self):
        super().setUp()
        self.paths = [self.write(name, name * 3) for name in AWKWARD]

    def test_json_is_valid_utf8_and_every_path_recoverable(self):
        out = run(['--format', 'json'] + self.paths).stdout
        records = json.loads(out.decode('utf-8'))
        self.assertEqual(len(records), len(self.paths))
        for path, record in zip(self.paths, records):
            got = bytes.fromhex(record['Path bytes']) if 'Path bytes' in record else record['Path'].encode()
            self.assertEqual(got, path)
            self.assertEqual(record['Bytes'], os.path.getsize(path))
            self.assertIsInstance(record['Bytes'], int)
            self.assertEqual(record['MD5 hash'], md5(os.path.basename(path) * 3))
            self.assertEqual(record['Kind'], 'unknown')

    def test_tsv_and_csv_give_back_each_name(self):
        tsv = run(['--format', 'tsv'] + self.paths).stdout.split(b'\n')
        self.assertEqual(tsv[-1], b'')
        self.assertEqual(len(tsv) - 2, len(self.paths))
        unescape = {b't': b'\t', b'n': b'\n', b'r': b'\r', b'\\': b'\\'}
        for path, line in zip(self.paths, tsv[1:]):
            fields = line.split(b'\t')
            self.assertEqual(len(fields), 9)
            parts = fields[0].split(b'\\\\')
            name = b'\\'.join(p.replace(b'\\t', b'\t').replace(b'\\n', b'\n').replace(b'\\r', b'\r') for p in parts)
            self.assertEqual(name, path)
            self.assertEqual(int(fields[8]), os.path.getsize(path))
        text = run(['--format', 'csv'] + self.paths).stdout.decode('utf-8', 'surrogateescape')
        rows = list(csv.reader(io.StringIO(text, newline='')))
        self.assertEqual(rows[0][-2:], ['Kind', 'Bytes'])
        self.assertEqual([os.fsencode(r[0]) for r in rows[1:]], self.paths)

    def test_table_lines_up_by_display_width(self):
        out = run(self.paths).stdout.decode('utf-8', 'replace').split('\n')
        self.assertEqual(len(out), len(self.paths) + 2, out)
        starts = set()
        for line in out[:-1]:
            at = line.index('MD5 hash') if line.startswith('Path') else line.index('unknown') - 34
            starts.add(width(line[:at]))
        self.assertEqual(len(starts), 1, out)

    def test_md5sum_checks_its_lines(self):
        listing = run(['--format', 'md5sum'] + self.paths).stdout
        checked = subprocess.run(['md5sum', '-c', '--strict'], input=listing, stdout=subprocess.PIPE)
        self.assertEqual(checked.returncode, 0, checked.stdout)
        self.assertEqual(checked.stdout.count(b': OK'), len(self.paths))

    def test_stderr_lines_cannot_be_forged(self):
        missing = os.path.join(self.dir, 'gone\npakrill-cli: forged.sis')
        r = run([missing, self.paths[-1]])
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.count(b'\n'), 1, r.stderr)
        self.assertIn(b'gone\\npakrill-cli: forged.sis was not found.', r.stderr)


class Streams(Base):
    def test_write_errors_end_the_run(self):
        path = self.write('k.sis', b'k' * 100)
        with open('/dev/full', 'wb') as full:
            r = run(['--format', 'tsv', path], stdout=full)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, b'pakrill-cli: write error: No space left on device\n')
        r = subprocess.run(['sh', '-c', 'exec "$0" "$1" >&-', CLI, path], stderr=subprocess.PIPE)
        self.assertEqual(r.returncode, 1)
        self.assertTrue(r.stderr.startswith(b'pakrill-cli: write error: '), r.stderr)

    def test_closed_pipe_stops_reading_when_sigpipe_is_ignored(self):
        paths = [self.write('f%03d.sis' % i, b'x' * 1000) for i in range(300)]
        reader, writer = os.pipe()
        os.close(reader)
        r = run(['--format', 'tsv'] + paths, stdout=writer,
                preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
        os.close(writer)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, b'pakrill-cli: write error: Broken pipe\n')

    def test_standard_input_and_pipes_are_read_whole(self):
        data = os.urandom(700000)
        path = self.write('k.sis', data)
        with open(path, 'rb') as f:
            r = run(['--format', 'tsv', '-'], stdin=f)
        self.assertEqual(r.stdout.split(b'\n')[1].split(b'\t')[6], md5(data).encode(), r.stderr)
        for script in ['cat "$1" | "$0" --format tsv -', 'cat "$1" | "$0" --format tsv /dev/stdin',
                       '"$0" --format tsv <(cat "$1")']:
            r = subprocess.run(['bash', '-c', script, CLI, path], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            self.assertEqual(r.stderr, b'', script)
            fields = r.stdout.split(b'\n')[1].split(b'\t')
            self.assertEqual(fields[6], md5(data).encode(), script)
            self.assertEqual(fields[8], str(len(data)).encode(), script)

    def test_unknown_system_errors_carry_the_systems_text(self):
        import socket
        sock = socket.socket(socket.AF_UNIX)
        where = os.path.join(self.dir, 's.sis')
        sock.bind(where)
        os.symlink('loop.sis', os.path.join(self.dir, 'loop.sis'))
        r = run([where, os.path.join(self.dir, 'loop.sis')])
        sock.close()
        self.assertEqual(r.returncode, 1)
        lines = r.stderr.decode().splitlines()
        self.assertEqual(lines[0], 'pakrill-cli: %s could not be read (system error 6: No such device or address).'
                         % where)
        self.assertIn('Too many levels of symbolic links', lines[1])


class Limits(Base):
    def test_a_thread_that_cannot_be_started_means_fewer_threads(self):
        paths = [self.write('f%d.sis' % i, bytes([i]) * 5000) for i in range(20)]
        prefix = ['prlimit', '--nproc=1', '--']
        if os.geteuid() == 0:
            prefix = ['setpriv', '--reuid=65534', '--regid=65534', '--clear-groups'] + prefix
        # The leak checker needs a thread of its own, which this limit forbids.
        env = dict(os.environ, ASAN_OPTIONS='detect_leaks=0')
        r = subprocess.run(prefix + [CLI, '--format', 'tsv'] + paths, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, timeout=60, env=env)
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.split(b'\n')[1:-1]
        self.assertEqual([l.split(b'\t')[0] for l in lines], paths)


if __name__ == '__main__':
    unittest.main()
