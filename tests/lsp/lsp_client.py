"""A client of tovl-lsp for the tests: starts the server, speaks the protocol over its pipes
as an editor does, and keeps the notifications it sends."""
import json
import os
import select
import subprocess
import time


class Client:
    def __init__(self, server, timeout=10.0):
        self.process = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.timeout = timeout
        self.buffer = b""
        self.notes = []  # notifications and the server's own requests, in order
        self.next_id = 1

    def send_bytes(self, data):
        self.process.stdin.write(data)
        self.process.stdin.flush()

    def send(self, message):
        body = json.dumps(dict(jsonrpc="2.0", **message)).encode()
        self.send_bytes(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def read_message(self):
        """The next message from the server; fails after the timeout or at its end."""
        deadline = time.monotonic() + self.timeout
        while True:
            head, sep, rest = self.buffer.partition(b"\r\n\r\n")
            if sep:
                length = int(head.split(b":")[1])
                if len(rest) >= length:
                    self.buffer = rest[length:]
                    return json.loads(rest[:length])
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.process.stdout], [], [], left)[0]:
                raise AssertionError("no answer from the server in time")
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise AssertionError("the server ended")
            self.buffer += chunk

    def response(self, id):
        while True:
            m = self.read_message()
            if m.get("id") == id and "method" not in m:
                return m
            self.notes.append(m)

    def request(self, method, params=None, error=False):
        """The result of a request; with `error`, the error it must get instead."""
        id = self.next_id
        self.next_id += 1
        self.send(dict(id=id, method=method, params=params or {}))
        m = self.response(id)
        key = "error" if error else "result"
        assert key in m, f"{method}: expected a {key}, got {m}"
        return m[key]

    def notify(self, method, params):
        self.send(dict(method=method, params=params))

    def note(self, method, accept=lambda params: True):
        """The first notification `method` kept or to come whose params `accept` takes."""
        while True:
            for i, m in enumerate(self.notes):
                if m.get("method") == method and accept(m["params"]):
                    return self.notes.pop(i)["params"]
            self.notes.append(self.read_message())

    def start(self):
        result = self.request("initialize", dict(processId=None, rootUri=None, capabilities={}))
        self.notify("initialized", {})
        return result

    def open(self, uri, text, version=1):
        self.notify("textDocument/didOpen", dict(textDocument=dict(
            uri=uri, languageId="tovl", version=version, text=text)))

    def change(self, uri, version, changes):
        self.notify("textDocument/didChange", dict(
            textDocument=dict(uri=uri, version=version), contentChanges=changes))

    def stop(self):
        """Shuts the server down as an editor does; returns its exit status."""
        self.request("shutdown")
        self.notify("exit", None)
        return self.process.wait(timeout=self.timeout)


def at(line, character):
    return dict(line=line, character=character)


def span(line, start, end, end_line=None):
    return dict(start=at(line, start), end=at(line if end_line is None else end_line, end))
