#!/usr/bin/env python3
"""One user cannot steer another user's browser through the machine-wide policy folder.

Two throw-away accounts, A and B, and Debian's headless Chromium, which applies every file in
/etc/chromium/policies/managed/ to every user. First the old fault is reproduced: a policy file
of ours that an earlier version handed to A lets A block a site for B (Chromium as B never
reaches the test server). Then pqrvr, run as root as the package's install script runs it, takes
the file back; from then on A can neither change that file nor add one, nor run pqrvr's work
itself, and B's Chromium reaches the server again.

Usage: politica_dos_usuarios.py BIN_DIR. Exit 77 (skipped) when not root or without Chromium,
useradd or setpriv: only root can make accounts and write below /etc.
"""
import http.server
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import threading

from comun_pruebas import SALTAR

CARPETA = "/etc/chromium/policies/managed"


class Servidor(http.server.ThreadingHTTPServer):
    def __init__(self):
        super().__init__(("127.0.0.1", 0), Pagina)
        self.peticiones = 0


class Pagina(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.peticiones += 1
        cuerpo = b"<html><body><p>alcanzado por el navegador</p></body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(cuerpo)))
        self.end_headers()
        self.wfile.write(cuerpo)

    def log_message(self, *args):
        pass


def como(usuario, orden, **kw):
    p = pwd.getpwnam(usuario)
    return subprocess.run(
        ["setpriv", "--reuid=%d" % p.pw_uid, "--regid=%d" % p.pw_gid, "--clear-groups",
         "env", "-i", "PATH=/usr/bin:/bin", "HOME=" + p.pw_dir] + orden,
        capture_output=True, text=True, **kw)


def llega(usuario, servidor):
    """True when Chromium, run as `usuario`, reached the server and showed its page."""
    antes = servidor.peticiones
    p = pwd.getpwnam(usuario)
    r = como(usuario, ["timeout", "90", "/usr/bin/chromium", "--headless", "--no-sandbox",
                       "--disable-gpu", "--no-first-run", "--disable-background-networking",
                       "--disable-component-update", "--disable-sync",
                       "--user-data-dir=" + os.path.join(p.pw_dir, "perfil"),
                       "--dump-dom", "http://127.0.0.1:%d/" % servidor.server_port])
    vista = "alcanzado por el navegador" in r.stdout
    pedida = servidor.peticiones > antes
    assert vista == pedida, "página %s pero el servidor %s la petición (salida %d: %s)" % (
        "vista" if vista else "no vista", "recibió" if pedida else "no recibió", r.returncode,
        r.stderr[-500:])
    return vista


def main():
    binarios = sys.argv[1]
    if os.getuid() != 0:
        print("se salta: hace falta root para crear cuentas y escribir en /etc")
        return SALTAR
    for programa in ("/usr/bin/chromium", "useradd", "userdel", "setpriv"):
        if not shutil.which(programa):
            print("se salta: falta " + programa)
            return SALTAR
    os.environ.pop("MARLEVANTA_POLICY_ROOT", None)
    d = tempfile.mkdtemp()
    os.chmod(d, 0o755)
    usuarios = []
    creada = []
    archivo = None
    servidor = Servidor()
    threading.Thread(target=servidor.serve_forever, daemon=True).start()
    try:
        for letra in "ab":
            nombre = "mlvprueba%d%s" % (os.getpid(), letra)
            home = os.path.join(d, letra)
            subprocess.run(["useradd", "--no-create-home", "--user-group", "--home-dir", home,
                            "--shell", "/usr/sbin/nologin", nombre], check=True)
            usuarios.append(nombre)
            os.mkdir(home, 0o700)
            p = pwd.getpwnam(nombre)
            os.chown(home, p.pw_uid, p.pw_gid)
        a, b = usuarios
        uid_a = pwd.getpwnam(a).pw_uid

        camino = "/"
        for parte in CARPETA.strip("/").split("/"):
            camino = os.path.join(camino, parte)
            if not os.path.isdir(camino):
                os.mkdir(camino, 0o755)
                creada.append(camino)
        assert llega(b, servidor), "Chromium de B no llega al servidor ni antes de empezar"

        # What an earlier version left: the file of A, A's own.
        archivo = os.path.join(CARPETA, "marlevanta-%d.json" % uid_a)
        with open(archivo, "w") as f:
            f.write("{}\n")
        os.chown(archivo, uid_a, -1)
        regla = '{"URLBlocklist": ["127.0.0.1:%d"]}\n' % servidor.server_port
        r = como(a, ["sh", "-c", "printf '%s' \"$1\" > '" + archivo + "'", "-", regla])
        assert r.returncode == 0, "A no pudo escribir su archivo antiguo: " + r.stderr
        assert not llega(b, servidor), "el fallo no se reproduce: la política de A no llegó a B"

        # The install script's step: pqrvr as root takes every such file back.
        r = subprocess.run([os.path.join(binarios, "pqrvr")], capture_output=True, text=True)
        assert r.returncode == 0, "pqrvr como root: " + r.stderr
        st = os.stat(archivo)
        assert st.st_uid == 0 and st.st_mode & 0o022 == 0, "el archivo sigue sin ser de root"
        with open(archivo) as f:
            assert f.read().strip() == "{}", "el archivo recuperado no está vacío"
        assert llega(b, servidor), "tras recuperar el archivo, B sigue bloqueado"

        # A again: nothing of the policy folder is theirs to write, and pqrvr refuses them. A
        # copy A may run: the checkout may be where only root can enter.
        pqrvr = os.path.join(d, "pqrvr")
        shutil.copy(os.path.join(binarios, "pqrvr"), pqrvr)
        os.chmod(pqrvr, 0o755)
        for orden in (["sh", "-c", "printf '%s' \"$1\" > '" + archivo + "'", "-", regla],
                      ["sh", "-c", "printf '%s' \"$1\" > '" + CARPETA + "/zz-a.json'", "-", regla],
                      [pqrvr]):
            r = como(a, orden)
            assert r.returncode != 0, "A pudo: %s" % " ".join(orden)
        assert "administrador" in r.stderr, "pqrvr no dice por qué: " + r.stderr
        assert not os.path.exists(os.path.join(CARPETA, "zz-a.json"))
        assert llega(b, servidor), "lo que intentó A llegó al navegador de B"
        print("correcto: A no cambia lo que hace el navegador de B")
        return 0
    finally:
        servidor.shutdown()
        if archivo and os.path.lexists(archivo):
            os.unlink(archivo)
        for c in reversed(creada):
            shutil.rmtree(c, ignore_errors=True)
        for u in usuarios:
            subprocess.run(["userdel", u], capture_output=True)
        shutil.rmtree(d, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
