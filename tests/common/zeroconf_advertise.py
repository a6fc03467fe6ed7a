"""Advertises Dormo Helper services with python3-zeroconf: zeroconf_advertise.py ADDRESS
INSTANCE:HOST:PORT... Prints "ready" once all are registered; "withdraw INSTANCE" on stdin sends
its goodbye and prints "withdrawn INSTANCE"; end of input withdraws the rest."""
import socket
import sys

from zeroconf import IPVersion, ServiceInfo, Zeroconf

SERVICE_TYPE = "_vh-dormo._tcp.local."

address = sys.argv[1]
zc = Zeroconf(interfaces=[address], ip_version=IPVersion.V4Only)
services = {}
for service in sys.argv[2:]:
    instance, host, port = service.rsplit(":", 2)
    services[instance] = ServiceInfo(SERVICE_TYPE, f"{instance}.{SERVICE_TYPE}", port=int(port),
                                     addresses=[socket.inet_aton(address)], server=f"{host}.local.")
    zc.register_service(services[instance])
print("ready", flush=True)
for line in sys.stdin:
    command, _, instance = line.strip().partition(" ")
    if command == "withdraw" and instance in services:
        zc.unregister_service(services.pop(instance))
        print(f"withdrawn {instance}", flush=True)
for info in services.values():
    zc.unregister_service(info)
zc.close()
