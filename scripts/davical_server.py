"""DAViCal, Debian's CardDAV and CalDAV server in PHP, for the sync checks: its own PostgreSQL
cluster and its own Apache, both on free ports of 127.0.0.1, in a scratch folder. The database
is made by DAViCal's own create-database.sh, the user by DAViCal's own administration pages
(which make the user's default address book, "addresses"). Every book a check asks for starts
from that same database, copied afresh, so the servers start once for the whole check.

PostgreSQL refuses to run as root: as root, the servers run as "nobody". DAViCal reads its
settings only from /etc/davical: Apache runs in a mount namespace of its own where the scratch
folder's settings are bound over /etc/davical, so that nothing on the machine is read or
changed. Each process is ended by its own id."""

import glob
import http.cookiejar
import os
import re
import shutil
import signal
import subprocess
import tempfile
import urllib.parse
import urllib.request

from sync_peers import free_port, wait_for_port

ADMIN_PASSWORD = "admin-secret"
HTDOCS = "/usr/share/davical/htdocs"


def newest(pattern):
    found = sorted(glob.glob(pattern), key=lambda p: [int(n) for n in re.findall(r"\d+", p)])
    if not found:
        raise RuntimeError("not installed: " + pattern)
    return found[-1]


def as_ordinary_user(command):
    if os.geteuid() != 0:
        return command
    return ["setpriv", "--reuid", "nobody", "--regid", "nogroup", "--clear-groups", "--"] + command


def apache_config(folder, port):
    modules = "/usr/lib/apache2/modules"
    php = os.path.basename(newest(modules + "/libphp*.so"))
    return """ServerName 127.0.0.1
Listen 127.0.0.1:{port}
PidFile {folder}/apache.pid
DefaultRuntimeDir {folder}
Mutex file:{folder}
ErrorLog {folder}/apache-error.log
LogLevel warn
LoadModule mpm_prefork_module {modules}/mod_mpm_prefork.so
LoadModule authz_core_module {modules}/mod_authz_core.so
LoadModule mime_module {modules}/mod_mime.so
LoadModule dir_module {modules}/mod_dir.so
LoadModule rewrite_module {modules}/mod_rewrite.so
LoadModule php_module {modules}/{php}
TypesConfig /etc/mime.types
StartServers 2
MinSpareServers 1
MaxSpareServers 4
MaxRequestWorkers 8
KeepAlive On
DocumentRoot {htdocs}
<Directory {htdocs}>
  DirectoryIndex index.php
  AllowOverride None
  Require all granted
</Directory>
<FilesMatch "\\.php$">
  SetHandler application/x-httpd-php
</FilesMatch>
php_admin_value session.save_path {folder}/sessions
php_admin_value error_log {folder}/php-error.log
# As DAViCal's own Apache settings have it, with DAViCal at the root.
RewriteEngine On
RewriteRule ^/\\.well-known/(.*)$ /caldav.php/.well-known/$1 [NC,PT]
""".format(port=port, folder=folder, modules=modules, php=php, htdocs=HTDOCS)


def davical_config(sockets, pg_port):
    return """<?php
$c->pg_connect[] = "dbname=davical user=davical_app host={sockets} port={pg_port}";
$c->system_name = "DAViCal for the sync check";
$c->admin_email = "admin@example.org";
""".format(sockets=sockets, pg_port=pg_port)


class Davical:
    """The running servers, with a template database that holds the admin and one user."""

    def __init__(self, user, password):
        self.user, self.password = user, password
        self.folder = tempfile.mkdtemp(prefix="zarvoth-davical-")
        self.processes = []
        try:
            self.start()
        except BaseException:
            self.stop()
            raise

    def path(self, *names):
        return os.path.join(self.folder, *names)

    def start(self):
        for name in ("pg", "sockets", "etc", "apache", "apache/sessions", "config"):
            os.makedirs(self.path(name), exist_ok=True)
        if os.geteuid() == 0:
            for root, directories, _ in os.walk(self.folder):
                for name in [root] + [os.path.join(root, d) for d in directories]:
                    os.chown(name, 65534, 65534)
        self.start_postgresql()
        self.make_database()
        self.start_apache()
        self.make_user()
        # The template every book starts from.
        self.psql("ALTER DATABASE davical RENAME TO davical_start")

    def start_postgresql(self):
        self.pg_port = free_port()
        programs = os.path.dirname(newest("/usr/lib/postgresql/*/bin/initdb"))
        self.psql_env = dict(os.environ, PGHOST=self.path("sockets"), PGPORT=str(self.pg_port),
                             PGUSER="postgres", HOME=self.folder)
        self.run([programs + "/initdb", "-D", self.path("pg"), "-U", "postgres", "--auth=trust",
                  "-E", "UTF8", "--no-locale", "--no-sync"])
        # A database thrown away at the end need not survive a power cut.
        self.postgres = self.spawn([
            programs + "/postgres", "-D", self.path("pg"), "-k", self.path("sockets"),
            "-h", "127.0.0.1", "-p", str(self.pg_port), "-c", "fsync=off",
            "-c", "synchronous_commit=off", "-c", "full_page_writes=off"], "postgres.log")
        self.wait(self.pg_port, self.postgres, "postgres.log")

    def start_apache(self):
        self.port = free_port()
        self.root = "http://127.0.0.1:%d/" % self.port
        with open(self.path("etc", "config.php"), "w") as f:
            f.write(davical_config(self.path("sockets"), self.pg_port))
        with open(self.path("apache", "apache2.conf"), "w") as f:
            f.write(apache_config(self.path("apache"), self.port))
        apache = as_ordinary_user(["/usr/sbin/apache2", "-DFOREGROUND",
                                   "-f", self.path("apache", "apache2.conf")])
        # Unshared as root; an ordinary user may mount in a user namespace of its own. The
        # mount is gone with the namespace when Apache ends.
        unshare = ["unshare", "-m"] if os.geteuid() == 0 else [
            "unshare", "--map-current-user", "--keep-caps", "-m"]
        self.apache = self.spawn(unshare + [
            "sh", "-c", 'mount --bind "$0" /etc/davical && exec "$@"', self.path("etc")] + apache,
            "apache.log", as_user=False)
        self.wait(self.port, self.apache, "apache.log")

    def wait(self, port, process, log):
        try:
            wait_for_port(port, process)
        except RuntimeError as error:
            with open(self.path(log), errors="replace") as f:
                raise RuntimeError("%s: %s" % (error, f.read()[-2000:])) from None

    def run(self, command, **options):
        done = subprocess.run(as_ordinary_user(command), capture_output=True, text=True,
                              env=self.psql_env, cwd=self.folder, timeout=120, **options)
        if done.returncode != 0:
            raise RuntimeError("%s failed: %s%s" % (command[0], done.stdout[-2000:],
                                                    done.stderr[-2000:]))
        return done.stdout

    def spawn(self, command, log, as_user=True):
        process = subprocess.Popen(as_ordinary_user(command) if as_user else command,
                                   stdout=open(self.path(log), "w"), stderr=subprocess.STDOUT,
                                   env=self.psql_env, cwd=self.folder)
        self.processes.append(process)
        return process

    def psql(self, *statements, database="template1"):
        command = ["psql", "-qXAt", "-v", "ON_ERROR_STOP=1"]
        for statement in statements:
            command += ["-c", statement]
        return self.run(command + [database])

    def make_database(self):
        # update-davical-database reads its connection from config/administration.yml
        # under the folder it runs in.
        with open(self.path("config", "administration.yml"), "w") as f:
            f.write("admin_db_user: davical_dba\nadmin_db_host: %s\nadmin_db_port: %d\n"
                    "admin_db_name: davical\napp_db_user: davical_app\n"
                    % (self.path("sockets"), self.pg_port))
        self.run(["/usr/share/davical/dba/create-database.sh", "davical", ADMIN_PASSWORD])

    def make_user(self):
        """As an administrator does it: logged in to DAViCal's pages, a new principal."""
        opener = urllib.request.build_opener(
            urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))

        def post(page, fields):
            data = urllib.parse.urlencode(fields).encode()
            with opener.open(self.root + page, data, timeout=30) as answer:
                return answer.read().decode("utf-8", "replace")

        post("index.php", {"username": "admin", "password": ADMIN_PASSWORD, "submit": "GO!"})
        with opener.open(self.root + "admin.php?action=edit&t=principal", timeout=30) as answer:
            form = answer.read().decode("utf-8", "replace")
        # What a browser sends: the form's hidden fields (among them the token against forged
        # requests and the editor's "insert"), then what the administrator types.
        fields = {}
        for tag in re.findall(r"<input [^>]*>", form):
            name, value = re.search(r'name="([^"]*)"', tag), re.search(r'value="([^"]*)"', tag)
            if 'type="hidden"' in tag and name:
                fields[name.group(1)] = value.group(1) if value else ""
        if "csrf_token" not in fields:
            raise RuntimeError("DAViCal's page for a new principal has no form: " + form[-500:])
        fields.update({"xxxxusername": self.user, "fullname": "Alice",
                       "email": "%s@example.org" % self.user, "newpass1": self.password,
                       "newpass2": self.password, "type_id": "1", "user_active": "on",
                       "submit": "Create"})
        post("admin.php?action=edit&t=principal", fields)
        # The user's default address book, where DAViCal puts it.
        self.book = self.root + "caldav.php/%s/addresses/" % self.user
        look = urllib.request.Request(self.book, method="PROPFIND", headers={"Depth": "0"})
        password = urllib.request.HTTPPasswordMgrWithDefaultRealm()
        password.add_password(None, self.root, self.user, self.password)
        with urllib.request.build_opener(urllib.request.HTTPBasicAuthHandler(password)).open(
                look, timeout=30) as answer:
            if b"addressbook" not in answer.read():
                raise RuntimeError("DAViCal made no address book at " + self.book)

    def fresh_database(self):
        self.psql("DROP DATABASE IF EXISTS davical WITH (FORCE)",
                  "CREATE DATABASE davical TEMPLATE davical_start OWNER davical_dba")

    def stop(self):
        for process in reversed(self.processes):
            # Apache's parent ends its children; PostgreSQL's fast shutdown ends its own.
            process.send_signal(signal.SIGINT if process is getattr(self, "postgres", None)
                                else signal.SIGTERM)
            try:
                process.wait(20)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.processes = []
        shutil.rmtree(self.folder, ignore_errors=True)


class Book:
    """What a check holds as its server: one user's address book on a database just made, in
    front of the servers that keep running."""

    kind = "davical"

    def __init__(self, servers):
        servers.fresh_database()
        self.user, self.password = servers.user, servers.password
        self.port, self.root, self.book = servers.port, servers.root, servers.book

    def stop(self):
        """The next book's database replaces this one."""


running = None


def book():
    global running
    if running is None:
        running = Davical("alice", "secret")
    return Book(running)


def stop():
    global running
    if running is not None:
        running.stop()
        running = None
