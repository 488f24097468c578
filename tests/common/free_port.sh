# free_port: prints a TCP port on 127.0.0.1 that nothing listens on, so that
# tests running at the same time on one machine do not collide. The port is
# taken below the kernel's ephemeral range: a test that opens thousands of
# client connections leaves their local ports in TIME-WAIT, and a server
# binding one of those fails with "Address already in use".
free_port() {
  local p low=32768 high span
  read -r low high </proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || true
  span=$((low - 10000))
  ((span >= 1000)) || span=0
  while :; do
    if ((span)); then p=$((10000 + RANDOM % span)); else p=$((20000 + RANDOM % 40000)); fi
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
}
