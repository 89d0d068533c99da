# Sourced by the test launchers (run-x11.sh, run-wayland.sh): the configuration of the tests'
# D-Bus session bus.
#
# The standard session configuration starts any service whose file the machine has installed
# (a keyring, a notification daemon, a portal), so a test would meet a different bus on every
# machine: a test that expects no secret service fails wherever a keyring is installed. The
# tests' bus therefore starts only the services whose files are in a folder of its own: none
# unless the launcher names some.

# Writes $1/bus.conf, a session bus configuration whose only service folder is $1/services,
# and links into that folder the machine's service files of the names that follow $1 (those a
# launcher starts on purpose). Prints nothing; returns 1 when the folder cannot be written.
# The shell has no local variables: the names used here start with "wb_bus_" so that they never
# overwrite a launcher's own ("dir", "name").
write_bus_config() {
  wb_bus_dir=$1
  shift
  mkdir -p "$wb_bus_dir/services" || return 1
  for wb_bus_name in "$@"; do
    for wb_bus_folder in /usr/local/share/dbus-1/services /usr/share/dbus-1/services; do
      if [ -f "$wb_bus_folder/$wb_bus_name.service" ]; then
        ln -sf "$wb_bus_folder/$wb_bus_name.service" "$wb_bus_dir/services/$wb_bus_name.service"
        break
      fi
    done
  done
  cat >"$wb_bus_dir/bus.conf" <<CONF || return 1
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$wb_bus_dir/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
}
