"""Resolves the first "_vh-dormo._tcp.local." service with python3-zeroconf and prints
"resolved NAME ADDRESS PORT" once its address is known; the reference for the benchmark."""
import socket
import sys
import threading

from zeroconf import IPVersion, ServiceBrowser, ServiceListener, Zeroconf

SERVICE_TYPE = "_vh-dormo._tcp.local."


class Listener(ServiceListener):
    def __init__(self):
        self.done = threading.Event()

    def add_service(self, zc, type_, name):
        info = zc.get_service_info(type_, name, timeout=3000)
        if info and info.addresses and not self.done.is_set():
            print(f"resolved {info.server} {socket.inet_ntoa(info.addresses[0])} {info.port}",
                  flush=True)
            self.done.set()

    def update_service(self, zc, type_, name):
        pass

    def remove_service(self, zc, type_, name):
        pass


def main():
    zc = Zeroconf(interfaces=[sys.argv[1]], ip_version=IPVersion.V4Only)
    listener = Listener()
    ServiceBrowser(zc, SERVICE_TYPE, listener)
    listener.done.wait(20)
    zc.close()


if __name__ == "__main__":
    main()
