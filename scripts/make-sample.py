#!/usr/bin/env python3
"""Makes samples/damaged.db, the damaged database that ./run.sh recovers.

A small shop database written by the real SQLite 3 library (through Python's
sqlite3 module): three tables with a few thousand rows, an index, a view and a
trigger, texts and blobs that overflow into chains of pages. Then two kinds of
damage a crashed disk leaves: one interior page of the orders table is zeroed
(the rows below it are still on their leaf pages, but the table's b-tree no
longer leads to them) and the overflow chain of one large note is cut.

Run it from the repository root: scripts/make-sample.py
"""
import os
import random
import sqlite3

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "samples", "damaged.db")
PAGE_SIZE = 512


def build(path):
    rng = random.Random(20261211)
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    db.execute(f"PRAGMA page_size = {PAGE_SIZE}")
    db.executescript("""
        CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT NOT NULL, city TEXT, joined REAL);
        CREATE TABLE orders(id INTEGER PRIMARY KEY, customer INTEGER, amount REAL, note TEXT);
        CREATE TABLE attachments(id INTEGER PRIMARY KEY, order_id INTEGER, kind TEXT, data BLOB);
        CREATE INDEX orders_customer ON orders(customer);
        CREATE VIEW big_orders AS SELECT id, customer, amount FROM orders WHERE amount > 900;
        CREATE TRIGGER orders_audit AFTER DELETE ON orders
          BEGIN INSERT INTO attachments(order_id, kind) VALUES (old.id, 'deleted'); END;
    """)
    cities = ["Lisboa", "Zürich", "Kraków", "Århus", "Sevilla", "Tórshavn", "Łódź"]
    with db:
        for i in range(1, 501):
            db.execute("INSERT INTO customers VALUES (?, ?, ?, ?)",
                       (i, f"Customer {i}", rng.choice(cities), 2450000 + rng.random() * 1000))
        for i in range(1, 3001):
            note = "ok" if i % 50 else "Long note " + "x" * rng.randint(2000, 6000)
            db.execute("INSERT INTO orders VALUES (?, ?, ?, ?)",
                       (i, rng.randint(1, 500), round(rng.random() * 1000, 2), note))
        for i in range(1, 201):
            blob = bytes(rng.getrandbits(8) for _ in range(rng.randint(10, 4000)))
            db.execute("INSERT INTO attachments(order_id, kind, data) VALUES (?, ?, ?)",
                       (rng.randint(1, 3000), "scan", blob))
    pages = {}
    for name, pageno, pagetype in db.execute(
            "SELECT name, pageno, pagetype FROM dbstat ORDER BY path"):
        pages.setdefault((name, pagetype), []).append(pageno)
    db.close()
    return pages


def damage(path, pages):
    with open(path, "r+b") as f:
        # An interior page of orders below the root.
        interior = pages[("orders", "internal")][1]
        f.seek((interior - 1) * PAGE_SIZE)
        f.write(bytes(PAGE_SIZE))
        # The second page of an attachment's overflow chain.
        overflow = pages[("attachments", "overflow")][5]
        f.seek((overflow - 1) * PAGE_SIZE)
        f.write(b"\xff" * 4)
    return interior, overflow


def main():
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    pages = build(OUT)
    interior, overflow = damage(OUT, pages)
    print(f"{OUT}: zeroed interior page {interior} of orders, "
          f"broke the overflow chain at page {overflow}")


if __name__ == "__main__":
    main()
