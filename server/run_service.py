#!/usr/bin/python3
"""The online service of the games: an FTP server with the records account and the update account.

Usage: run_service.py HOST PORT ROOT
ROOT holds records/ (the shared tables), stats/ (the user counter and monthly statistics) and
updates.1.1/update.xml (the update list); missing folders are created. PORT 0 picks a free port.
Prints "listening HOST PORT" once the server accepts connections.
"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

RECORDS_USER, RECORDS_PASSWORD = "pelorina", "bluefence7!"
UPDATE_USER, UPDATE_PASSWORD = "pelorina_full", "skyhat4!"
EMPTY_UPDATE_LIST = '<?xml version="1.0" encoding="UTF-8"?>\n'


def prepare_root(root):
    for folder in ("records", "stats", "updates.1.1"):
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    update_list = os.path.join(root, "updates.1.1", "update.xml")
    if not os.path.exists(update_list):
        with open(update_list, "w", encoding="utf-8") as file:
            file.write(EMPTY_UPDATE_LIST)


def make_server(host, port, root):
    root = os.path.abspath(root)
    prepare_root(root)
    authorizer = DummyAuthorizer()
    # Both accounts log in at the root: records players read and write only the tables (an upload goes
    # to a name of its own and is renamed over the table; the table's lock is a folder beside it); the
    # update account reads the updates and writes the statistics.
    authorizer.add_user(RECORDS_USER, RECORDS_PASSWORD, root, perm="el")
    authorizer.override_perm(RECORDS_USER, os.path.join(root, "records"), perm="elrwfmd", recursive=True)
    authorizer.add_user(UPDATE_USER, UPDATE_PASSWORD, root, perm="elr")
    authorizer.override_perm(UPDATE_USER, os.path.join(root, "stats"), perm="elrw", recursive=True)
    handler = type("PelorinaHandler", (FTPHandler,), {})
    handler.authorizer = authorizer
    handler.banner = "Pelorina service ready."
    handler.timeout = 120
    handler.passive_ports = None
    server = FTPServer((host, port), handler)
    server.max_cons = 64
    return server


def main():
    if len(sys.argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    host, port, root = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    server = make_server(host, port, root)
    bound_host, bound_port = server.socket.getsockname()[:2]
    print(f"listening {bound_host} {bound_port}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.close_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())
