#!/usr/bin/env python3
"""A stand-in for the maker's web API, on 127.0.0.1 only, for the tests.

Prints "PUERTO <n>" once it listens. --modo chooses a failure for every request, --goteo PATH a
trickle for the paths that begin so; otherwise the answers come from --respuesta PATH TEXT ("\\n"
and "\\r" in TEXT are line breaks), the three questions answer only to today's token, and
/paquete serves --paquete, /paquete.sig its signature, made at start with tools/firmar-paquete and
the tests' key for the version that /version offers (--firma chooses a bad one or none).
--sin-fin PATH serves an answer that never ends, --anuncia PATH BYTES one that announces that
length.
"""
import argparse
import datetime
import http.server
import os
import shutil
import socketserver
import ssl
import subprocess
import sys
import tempfile
import time

PRUEBAS = os.path.dirname(os.path.abspath(__file__))
CLAVE = os.path.join(PRUEBAS, "clave-PRUEBA-actualizaciones.pem")
PUBLICA = os.path.join(PRUEBAS, "clave-PRUEBA-actualizaciones.pub.pem")
FIRMAR = os.path.join(PRUEBAS, "..", "tools", "firmar-paquete")


def encripta(texto):
    """The request token, computed independently of the program."""
    if not texto:
        return ""
    r = "".join("%03X" % (ord(c) + 3 * (i % 40) + 12) for i, c in enumerate(texto, 1))
    if len(r) < 420:
        r += "fff"
    pasada = 1
    while len(r) < 420:
        for j in range(len(texto), 0, -1):
            r += "%03X" % (ord(texto[j - 1]) + j * (pasada + 5) + 7)
        pasada += 1
    return r[:420].lower()


class Manejador(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def responder(self, estado, cuerpo, razon=None, cabeceras=()):
        self.send_response(estado, razon)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(cuerpo)))
        for k, v in cabeceras:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(cuerpo)

    def do_GET(self):
        a = self.server.args
        if a.registro:
            with open(a.registro, "a", encoding="utf-8") as f:
                f.write("%s\t%s\t%s\n" % (self.path, self.headers.get("User-Agent"),
                                          self.headers.get("Accept")))
        modo = a.modo
        if any(self.path.startswith(r) for r in a.goteo):
            modo = "goteo"
        if modo == "mudo":
            time.sleep(120)
            return
        if modo == "goteo":
            # An answer that never stops arriving: two bytes a second.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            for _ in range(50000):
                self.wfile.write(b"10")
                self.wfile.flush()
                time.sleep(1)
            return
        if modo == "error":
            return self.responder(500, b"x", "Fallo Interno Muy Raro")
        if modo == "redireccion":
            return self.responder(302, b"", None, [("Location", "https://otro.example/")])
        if modo == "basura":
            return self.responder(200, bytes(range(256)) * 8)
        if modo == "enorme":
            return self.responder(200, b"10005\n" + b"x" * (3 << 20))
        if modo == "corto":
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"PK" * 100)
            self.wfile.flush()
            self.close_connection = True
            return
        for ruta, texto in a.pagina:
            if self.path == ruta:
                cuerpo = texto.encode("utf-8")
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(cuerpo)))
                self.end_headers()
                self.wfile.write(cuerpo)
                return
        if self.path in a.sin_fin:
            # No length and no end: only the client's own limit stops it.
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            bloque = b"z" * 65536
            try:
                while True:
                    self.wfile.write(bloque)
            except OSError:
                pass
            self.close_connection = True
            return
        for ruta, largo in a.anuncia:
            if self.path == ruta:
                self.send_response(200)
                self.send_header("Content-Length", largo)
                self.end_headers()
                try:
                    for _ in range(int(largo) // 65536 + 1):
                        self.wfile.write(b"z" * 65536)
                except OSError:
                    pass
                self.close_connection = True
                return
        if self.path == "/paquete.sig" and self.server.firma is not None:
            return self.responder(200, self.server.firma)
        token = encripta(datetime.date.today().strftime("%Y%m%d") + "marlevanta")
        if self.path == "/paquete" and a.paquete:
            with open(a.paquete, "rb") as f:
                datos = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(datos)))
            self.end_headers()
            paso = max(1, len(datos) // 50)
            for i in range(0, len(datos), paso):
                self.wfile.write(datos[i:i + paso])
                self.wfile.flush()
                if a.lento:
                    time.sleep(a.lento)
            return
        for ruta, texto in a.respuesta:
            base = self.path if ruta == "/host" else self.path.rsplit("/", 1)[0]
            if base == ruta and (ruta == "/host" or self.path == ruta + "/" + token):
                cuerpo = texto.replace("\\n", "\n").replace("\\r", "\r")
                cuerpo = cuerpo.replace("{base}", self.server.base)
                return self.responder(200, cuerpo.encode("utf-8"))
        self.responder(404, b"no", "Not Found")


class Servidor(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def firmar(a):
    """The package's signature as --firma asks, made by the release tool itself."""
    if not a.paquete or a.firma == "ninguna":
        return None
    version = a.version_firmada
    for ruta, texto in a.respuesta:
        if ruta == "/version" and version is None:
            version = texto.split("\\n")[0]
    d = tempfile.mkdtemp(prefix="firma-")
    try:
        paquete = os.path.join(d, "paquete")
        clave, publica = CLAVE, PUBLICA
        if a.firma == "mala":
            # A good signature of other contents: the package is not the one signed.
            with open(a.paquete, "rb") as f, open(paquete, "wb") as g:
                g.write(f.read() + b"cambiado")
        else:
            os.symlink(os.path.abspath(a.paquete), paquete)
        if a.firma == "ajena":
            clave, publica = os.path.join(d, "otra.pem"), os.path.join(d, "otra.pub.pem")
            subprocess.run(["openssl", "genpkey", "-algorithm", "ed25519", "-out", clave],
                           check=True, capture_output=True)
            subprocess.run(["openssl", "pkey", "-in", clave, "-pubout", "-out", publica],
                           check=True, capture_output=True)
        subprocess.run(["bash", FIRMAR, clave, paquete, version or "10005", publica], check=True,
                       capture_output=True)
        with open(paquete + ".sig", "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(d, ignore_errors=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    p.add_argument("--modo", default="normal")
    # Paths (their beginning) that trickle whatever the mode.
    p.add_argument("--goteo", action="append", default=[])
    p.add_argument("--respuesta", nargs=2, action="append", default=[])
    p.add_argument("--pagina", nargs=2, action="append", default=[])
    p.add_argument("--paquete")
    p.add_argument("--lento", type=float, default=0)
    p.add_argument("--registro")
    p.add_argument("--firma", choices=("buena", "mala", "ajena", "ninguna"), default="buena")
    p.add_argument("--version-firmada")
    p.add_argument("--sin-fin", action="append", default=[])
    p.add_argument("--anuncia", nargs=2, action="append", default=[])
    a = p.parse_args()
    s = Servidor(("127.0.0.1", 0), Manejador)
    s.args = a
    s.firma = firmar(a)
    if a.tls:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(*a.tls)
        s.socket = ctx.wrap_socket(s.socket, server_side=True)
    s.base = "%s://127.0.0.1:%d" % ("https" if a.tls else "http", s.server_address[1])
    print("PUERTO %d" % s.server_address[1], flush=True)
    s.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
