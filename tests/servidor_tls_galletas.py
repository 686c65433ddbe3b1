#!/usr/bin/env python3
"""A TLS server on 127.0.0.1 that requires a client certificate and remembers which one set each
cookie, so that a test can tell whether two browsers share their cookies.

Every answer to "/" sets a lasting cookie of its own; every request is written to LOG as one JSON
line: the path, the client certificate's subject and SHA-256 fingerprint, and the subject of the
certificate whose visit set the cookie the request carries (null without one).

Usage: servidor_tls_galletas.py PORT CERT KEY CA_FILE LOG
"""
import hashlib
import http.server
import json
import secrets
import ssl
import sys
import threading


def sujeto(certificado):
    return ", ".join(f"{k}={v}" for rdn in certificado.get("subject", ()) for k, v in rdn)


def main():
    puerto, cert, clave, ca, registro = sys.argv[1:6]
    emitidas = {}  # cookie value -> subject of the certificate it was given to
    cerrojo = threading.Lock()

    class Manejador(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            quien = sujeto(self.connection.getpeercert())
            huella = hashlib.sha256(self.connection.getpeercert(binary_form=True)).hexdigest()
            llevada = None
            for trozo in self.headers.get("Cookie", "").split(";"):
                nombre, _, valor = trozo.strip().partition("=")
                if nombre == "cliente":
                    llevada = emitidas.get(valor, "desconocida:" + valor)
            with cerrojo, open(registro, "a", encoding="utf-8") as f:
                f.write(json.dumps({"ruta": self.path, "certificado": quien,
                                    "huella": huella.upper(),
                                    "galleta_de": llevada}, ensure_ascii=False) + "\n")
            cuerpo = ("<html><body><pre>" + quien + "</pre></body></html>").encode()
            self.send_response(200 if self.path == "/" else 404)
            if self.path == "/":
                valor = secrets.token_hex(8)
                with cerrojo:
                    emitidas[valor] = quien
                self.send_header("Set-Cookie",
                                 f"cliente={valor}; Max-Age=3600; Path=/; Secure")
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(cuerpo)))
            self.end_headers()
            self.wfile.write(cuerpo)

        def log_message(self, *args):
            pass

    contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    contexto.load_cert_chain(cert, clave)
    contexto.load_verify_locations(ca)
    contexto.verify_mode = ssl.CERT_REQUIRED
    servidor = http.server.ThreadingHTTPServer(("127.0.0.1", int(puerto)), Manejador)
    servidor.socket = contexto.wrap_socket(servidor.socket, server_side=True)
    servidor.serve_forever()


if __name__ == "__main__":
    main()
