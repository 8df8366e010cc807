#!/usr/bin/env python3
"""pakrill-cli.exe under Wine as a user runs it: names with forward slashes, folders,
and a list of 5,000 names. Usage: wine_test.py WINE-RUN BUILD-DIR PAKRILL-CLI.EXE"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

WINE_RUN, BUILD, CLI = (os.path.abspath(a) for a in sys.argv[1:4])
del sys.argv[1:4]


def run(args, cwd):
    r = subprocess.run([WINE_RUN, BUILD, CLI] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                       stdin=subprocess.DEVNULL, timeout=240)
    return r.returncode, r.stdout.decode('latin-1'), r.stderr.decode('latin-1')


def records(out):
    lines = out.split('\n')
    assert lines[0].startswith('Path\tName\t'), out[:200]
    # TSV writes a backslash as two; these names hold no other escapes.
    return [[field.replace('\\\\', '\\') for field in line.split('\t')] for line in lines[1:] if line]


class WineCli(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix='pakrill-wine-')
        os.makedirs(os.path.join(self.dir, 'psion', 'sub'))
        for name in ['psion/HEBREAD.SIS', 'psion/sub/b.sis', 'psion/notes.txt']:
            with open(os.path.join(self.dir, name), 'wb') as f:
                f.write(name.encode())

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def test_forward_slashes_separate_folders(self):
        status, out, err = run(['--format', 'tsv', 'psion/HEBREAD.SIS', 'psion\\sub/b.sis'], self.dir)
        self.assertEqual((status, err), (0, ''))
        got = [(r[0], r[1]) for r in records(out)]
        self.assertEqual(got, [('psion/HEBREAD.SIS', 'HEBREAD.SIS'), ('psion\\sub/b.sis', 'b.sis')])
        self.assertEqual(records(out)[0][6], hashlib.md5(b'psion/HEBREAD.SIS').hexdigest().upper())
        # A folder named with a forward slash is walked, its entries joined with a backslash.
        status, out, err = run(['--format', 'tsv', 'psion/'], self.dir)
        self.assertEqual((status, err), (0, ''))
        got = [(r[0], r[1]) for r in records(out)]
        self.assertEqual(got, [('psion/HEBREAD.SIS', 'HEBREAD.SIS'), ('psion/sub\\b.sis', 'b.sis')])

    def test_a_list_of_five_thousand_names(self):
        folder = os.path.join(self.dir, 'many')
        os.makedirs(folder)
        names = []
        for i in range(5000):
            name = 'many/package-with-a-longish-name-%04d.sis' % i
            with open(os.path.join(self.dir, name), 'wb') as f:
                f.write(b'%d' % i)
            names.append(name)
        with open(os.path.join(self.dir, 'list.txt'), 'w', newline='\r\n') as f:
            f.write('\n'.join(reversed(names)) + '\n')
        status, out, err = run(['--format', 'tsv', '--files-from', 'list.txt'], self.dir)
        self.assertEqual((status, err), (0, ''))
        got = records(out)
        self.assertEqual([r[0] for r in got], list(reversed(names)))
        self.assertEqual(got[0][6], hashlib.md5(b'4999').hexdigest().upper())


if __name__ == '__main__':
    unittest.main()
