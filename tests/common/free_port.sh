# free_port: prints a TCP port on 127.0.0.1 that nothing listens on, so that
# tests running at the same time on one machine do not collide.
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null || { echo "$p"; return; }
  done
}
