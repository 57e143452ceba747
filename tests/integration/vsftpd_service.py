"""The service on vsftpd, as production runs it: server/vsftpd's configuration with the two virtual
accounts, started on a free port of 127.0.0.1 in a scratch root, stopped and removed by close().

Needs root (the daemon chroots and switches users) and Debian's vsftpd and db-util. When it cannot
start, Unavailable says why."""
import os
import pwd
import random
import shutil
import signal
import socket
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CONFIG_DIR = os.path.join(HERE, "..", "..", "server", "vsftpd")
VSFTPD = "/usr/sbin/vsftpd"
DB_LOAD = "/usr/bin/db_load"
ACCOUNTS = {"pelorina": "bluefence7!", "pelorina_full": "skyhat4!"}
# System users standing in for pelorina-records and pelorina-update: ones every Debian system has.
RECORDS_OWNER, UPDATE_OWNER = "ftp", "daemon"


class Unavailable(Exception):
    pass


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


class VsftpdService:
    def __init__(self):
        if os.geteuid() != 0:
            raise Unavailable("vsftpd needs root (it chroots and switches users)")
        for tool in (VSFTPD, DB_LOAD):
            if not os.path.exists(tool):
                raise Unavailable(f"{tool} is missing (scripts/deps installs vsftpd and db-util)")
        try:
            self.records_owner = pwd.getpwnam(RECORDS_OWNER)
            self.update_owner = pwd.getpwnam(UPDATE_OWNER)
        except KeyError as error:
            raise Unavailable(f"no system user {error}")
        self.process = None
        self.pam_file = f"/etc/pam.d/pelorina-test-{os.getpid()}-{random.randrange(1 << 30)}"
        self.base = tempfile.mkdtemp(prefix="pelorina-vsftpd-")
        try:
            self._start()
        except Exception:
            self.close()
            raise

    def _start(self):
        os.chmod(self.base, 0o755)
        self.root = os.path.join(self.base, "root")
        for folder in ("records", "stats", "updates.1.1"):
            os.makedirs(os.path.join(self.root, folder))
        with open(self.path("updates.1.1", "update.xml"), "w", encoding="utf-8") as file:
            file.write('<?xml version="1.0" encoding="UTF-8"?>\n')
        self.settle()
        empty = os.path.join(self.base, "empty")
        os.makedirs(empty)
        users = os.path.join(self.base, "users")
        os.makedirs(users)
        for account, owner in (("pelorina", RECORDS_OWNER), ("pelorina_full", UPDATE_OWNER)):
            text = open(os.path.join(CONFIG_DIR, "users", account), encoding="utf-8").read()
            text = text.replace("pelorina-records", owner).replace("pelorina-update", owner)
            with open(os.path.join(users, account), "w", encoding="utf-8") as file:
                file.write(text)
        pairs = os.path.join(self.base, "accounts.txt")
        with open(pairs, "w", encoding="utf-8") as file:
            for account, password in ACCOUNTS.items():
                file.write(f"{account}\n{password}\n")
        database = os.path.join(self.base, "accounts")
        result = subprocess.run([DB_LOAD, "-T", "-t", "hash", "-f", pairs, database + ".db"], capture_output=True,
                                text=True)
        if result.returncode != 0:
            raise Unavailable(f"db_load failed: {result.stderr.strip()}")
        pam = open(os.path.join(CONFIG_DIR, "pelorina-ftp.pam"), encoding="utf-8").read()
        with open(self.pam_file, "w", encoding="utf-8") as file:
            file.write(pam.replace("/etc/vsftpd/pelorina-users", database))
        user_list = os.path.join(self.base, "accounts.list")
        shutil.copy(os.path.join(CONFIG_DIR, "pelorina-users.list"), user_list)
        self.port = free_port()
        pasv = random.randrange(41000, 59000, 100)
        overrides = {
            "listen_address": "127.0.0.1", "listen_port": str(self.port),
            "pam_service_name": os.path.basename(self.pam_file), "user_config_dir": users,
            "userlist_file": user_list, "local_root": self.root, "secure_chroot_dir": empty,
            "vsftpd_log_file": os.path.join(self.base, "vsftpd.log"), "pasv_min_port": str(pasv),
            "pasv_max_port": str(pasv + 99),
        }
        lines = []
        for line in open(os.path.join(CONFIG_DIR, "vsftpd.conf"), encoding="utf-8"):
            key = line.split("=", 1)[0].strip()
            lines.append(f"{key}={overrides.pop(key)}\n" if key in overrides else line)
        lines += [f"{key}={value}\n" for key, value in overrides.items()]
        self.config = os.path.join(self.base, "vsftpd.conf")
        with open(self.config, "w", encoding="utf-8") as file:
            file.writelines(lines)
        os.chmod(self.config, 0o600)  # vsftpd refuses a configuration others may change
        self.process = subprocess.Popen([VSFTPD, self.config], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        until = time.monotonic() + 10
        while time.monotonic() < until:
            if self.process.poll() is not None:
                raise Unavailable(f"vsftpd ended at start: {self.process.stdout.read().decode(errors='replace')}")
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=2) as s:
                    if s.recv(64).startswith(b"220"):
                        return
            except OSError:
                time.sleep(0.05)
        raise Unavailable("vsftpd did not answer within 10 s")

    @property
    def address(self):
        return f"127.0.0.1:{self.port}"

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def settle(self):
        """Files the test put into the root go to the account that owns their folder, as uploads would."""
        owners = {"records": self.records_owner, "stats": self.update_owner}
        for folder, owner in owners.items():
            for base, dirs, files in os.walk(self.path(folder)):
                for name in [base] + [os.path.join(base, n) for n in dirs + files]:
                    os.lchown(name, owner.pw_uid, owner.pw_gid)
        # The updates are read by the update account only; the root is nobody's to write.
        for base, dirs, files in os.walk(self.path("updates.1.1")):
            for name in [base] + [os.path.join(base, n) for n in dirs]:
                os.lchown(name, 0, self.update_owner.pw_gid)
                os.chmod(name, 0o750)
        os.chmod(self.path("records"), 0o700)
        os.chmod(self.path("stats"), 0o700)

    def close(self):
        if self.process is not None:
            # The daemon and the sessions it forked share its process group.
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
                self.process.wait(timeout=5)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(self.process.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                self.process.wait()
        if os.path.exists(self.pam_file):
            os.remove(self.pam_file)
        shutil.rmtree(self.base, ignore_errors=True)
