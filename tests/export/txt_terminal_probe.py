#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
# Runs inside a terminal (a tmux pane): draws each line of FILE without its
# line feed, asks the terminal where its cursor stands (DSR, ESC [6n) and
# writes that column, one per line, to RESULT (complete when it appears).
import os
import sys
import termios
import tty

source, result = sys.argv[1], sys.argv[2]
fd = sys.stdin.fileno()
saved = termios.tcgetattr(fd)
tty.setraw(fd)
columns = []
try:
    for line in open(source, 'rb').read().split(b'\n')[:-1]:
        os.write(1, b'\r\x1b[2K' + line + b'\x1b[6n')
        reply = b''
        while not reply.endswith(b'R'):
            reply += os.read(fd, 64)
        columns.append(int(reply[reply.rindex(b';') + 1:-1]) - 1)
finally:
    termios.tcsetattr(fd, termios.TCSADRAIN, saved)
with open(result + '.part', 'w') as out:
    out.write(''.join('%d\n' % c for c in columns))
os.rename(result + '.part', result)
