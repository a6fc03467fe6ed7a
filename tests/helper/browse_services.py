#!/usr/bin/python3
# Lists "_vh-dormo._tcp" services seen on one interface address: name, host, addresses, port,
# then the TXT strings as "key=value" joined by blanks.
# Usage: browse_services.py INTERFACE_ADDRESS SECONDS
import sys
import time

from zeroconf import IPVersion, ServiceBrowser, Zeroconf

found = {}
txt = {}


class Listener:
    def add_service(self, zc, service_type, name):
        info = zc.get_service_info(service_type, name, 3000)
        found[name] = (info.server, info.parsed_addresses(), info.port) if info else None
        properties = info.properties.items() if info else []
        txt[name] = " ".join(f"{k.decode()}={(v or b'').decode()}" for k, v in properties)

    def update_service(self, *args):
        pass

    def remove_service(self, *args):
        pass


zc = Zeroconf(interfaces=[sys.argv[1]], ip_version=IPVersion.V4Only)
ServiceBrowser(zc, "_vh-dormo._tcp.local.", Listener())
time.sleep(float(sys.argv[2]))
for name, value in sorted(found.items()):
    print(name, value, txt[name])
zc.close()
