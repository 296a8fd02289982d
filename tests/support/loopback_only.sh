#!/bin/sh
# Runs a test in a network of its own, where the loopback interface is the whole network: a test
# that names a host elsewhere, to see it refused, could never reach it even if the program
# failed to refuse. Its servers on 127.0.0.1 work as before.
exec unshare --map-root-user --net -- sh -c 'ip link set lo up && exec "$@"' loopback-only "$@"
