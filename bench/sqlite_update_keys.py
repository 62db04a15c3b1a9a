#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# What an UPDATE costs that sets the columns of keys to the values they hold already, against
# one that sets only the column that changes: 300,000 rows with four keys, 30,000 updates each
# way, in both orders, on a 2 MB page cache (Python's own SQLite).
#     python3 bench/sqlite_update_keys.py [DIR]
import os
import random
import sqlite3
import sys
import tempfile
import time

path = os.path.join(sys.argv[1] if len(sys.argv) > 1 else tempfile.mkdtemp(), "update_keys.db")
if os.path.exists(path):
    os.remove(path)
db = sqlite3.connect(path)
db.execute("PRAGMA cache_size = -2000")
db.execute("CREATE TABLE rec(pos INTEGER PRIMARY KEY, a, b, c, d, e)")
for k in "abcd":
    db.execute(f"CREATE INDEX i{k} ON rec({k})")
rng = random.Random(4)
db.executemany("INSERT INTO rec(a, b, c, d, e) VALUES(?, ?, ?, ?, ?)",
               ((rng.random(), rng.random(), rng.random(), rng.random(), "x") for _ in range(300000)))
db.commit()
rows = db.execute("SELECT pos, a, b, c, d FROM rec").fetchall()


def every_column(mark):
    db.executemany("UPDATE rec SET a = ?, b = ?, c = ?, d = ?, e = ? WHERE pos = ?",
                   ((r[1], r[2], r[3], r[4], mark, r[0]) for r in sample))


def one_column(mark):
    db.executemany("UPDATE rec SET e = ? WHERE pos = ?", ((mark, r[0]) for r in sample))


print("SQLite", sqlite3.sqlite_version)
for order in ((every_column, one_column), (one_column, every_column)):
    for run in order:
        rng.shuffle(rows)
        sample = rows[:30000]
        t = time.perf_counter()
        run(run.__name__ + str(t))
        db.commit()
        print(f"{run.__name__}: {time.perf_counter() - t:.2f} s")
os.remove(path)
