"""What the tests that drive the real program share: waiting for a condition, and the program's
settings database written as the program itself lays it out."""
import os
import sqlite3
import time

SALTAR = 77


def esperar(condicion, segundos, que):
    limite = time.time() + segundos
    while time.time() < limite:
        if condicion():
            return
        time.sleep(0.1)
    raise AssertionError("no llegó a tiempo: " + que)


def ajustes(ruta, valores, alias=None):
    """`valores` under the program's key and, when given, `alias` (thumbprint -> alias) below it."""
    os.makedirs(os.path.dirname(ruta), exist_ok=True)
    db = sqlite3.connect(ruta)
    db.executescript(
        "CREATE TABLE claves(ruta_plegada TEXT PRIMARY KEY, ruta TEXT NOT NULL) WITHOUT ROWID;"
        "CREATE TABLE valores(clave TEXT NOT NULL, nombre_plegado TEXT NOT NULL, nombre TEXT NOT "
        "NULL, tipo INTEGER NOT NULL, datos BLOB, PRIMARY KEY(clave, nombre_plegado)) "
        "WITHOUT ROWID;")
    partes = ["Software", "Velquorin", "marlevanta"] + (["alias"] if alias is not None else [])
    for n in range(1, len(partes) + 1):
        ruta_clave = "\\".join(partes[:n])
        db.execute("INSERT INTO claves VALUES(?, ?)", (ruta_clave.lower(), ruta_clave))
    for clave, lista in (("software\\velquorin\\marlevanta", valores),
                         ("software\\velquorin\\marlevanta\\alias", alias or {})):
        for nombre, valor in lista.items():
            db.execute("INSERT INTO valores VALUES(?, ?, ?, 1, ?)",
                       (clave, nombre.lower(), nombre, valor.encode()))
    db.commit()
    db.close()
