#include "qemu/qemu_launch.h"

#include "board/board_namespace.h"
#include "devices/board_clock.h"
#include "devices/board_network.h"
#include "devices/child_process.h"
#include "options.h"
#include "qemu/boot_image.h"
#include "qemu/guest_agent.h"
#include "qemu/guest_console.h"
#include "qemu/guest_memory.h"
#include "qemu/masked_faults.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr char SYSINIT_DONE[] = "board-vm: sysinit done";
constexpr char KERNEL_ARGS[] =
    "console=ttyAMA0 rdinit=/sbin/init quiet consoleblank=0 vt.global_cursor_default=0";

int boot_timeout_s() {
    const char *text = getenv("IPSLIDE_BOARD_VM_BOOT_TIMEOUT");
    int value = text != nullptr ? atoi(text) : 0;
    return value > 0 ? value : 90;
}

bool sized_file(const std::string &path, uint64_t bytes, std::string *error) {
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0;
    if (!ok) {
        *error = path + ": " + strerror(errno);
    }
    if (fd >= 0) {
        close(fd);
    }
    return ok;
}

// The stick's file system: the default stick, a folder's files, or an image as
// it is; then behind a partition table as /dev/sda1. "" with --stick none.
bool make_stick(const SimOptions &options, const std::string &work, std::string *disk,
                std::string *error) {
    disk->clear();
    if (options.stick == "none") {
        return true;
    }
    std::string filesystem = options.stick;
    if (options.stick.empty() || fs::is_directory(options.stick)) {
        filesystem = work + "/stick.ext4";
        std::vector<std::string> words = {options.source_dir + "/tools/make-stick", filesystem};
        if (!options.stick.empty()) {
            words.push_back(options.stick);
        }
        if (!run_process(words, error)) {
            *error = "tools/make-stick failed (its message is above): " + *error;
            return false;
        }
    }
    *disk = work + "/stick.img";
    return write_stick_disk(filesystem, *disk, error);
}

// The board's tree, with QEMU's power button switched back on when asked.
bool make_device_tree(const SimOptions &options, const std::string &work, std::string *error) {
    std::string tree = work + "/board.dtb";
    std::error_code failed;
    fs::copy_file(options.source_dir + "/build/board-vm/board.dtb", tree, failed);
    if (failed) {
        *error = "cannot copy the board's device tree: " + failed.message();
        return false;
    }
    return !options.power_button ||
           run_process({"fdtput", "-t", "s", tree, "/gpio-keys", "status", "okay"}, error);
}

bool make_files(const SimOptions &options, const std::string &work, std::string *disk,
                std::string *error) {
    std::string app = options.source_dir + "/build/arm/bin/ipslide";
    if (!fs::is_regular_file(app)) {
        *error = app + " does not exist; build it with `make arm`";
        return false;
    }
    if (!run_process({options.source_dir + "/tools/make-board-vm"}, error)) {
        *error = "tools/make-board-vm failed (its message is above): " + *error;
        return false;
    }
    InitramfsParts parts;
    parts.base = options.source_dir + "/build/board-vm/base";
    parts.app = app;
    parts.doctor = options.source_dir + "/build/arm/bin/ipslide-doctor";
    parts.udhcpc_conf = options.source_dir + "/deploy/udhcpc.conf";
    parts.inittab = options.inittab;
    return make_stick(options, work, disk, error) && make_device_tree(options, work, error) &&
           write_initramfs(work + "/initramfs.cpio", parts, error) &&
           sized_file(work + "/ram", GUEST_RAM_BYTES, error) &&
           sized_file(work + "/dm9000", DM9000_PAGE_BYTES, error);
}

// QEMU's command line as one would type it: @ stands for the work folder, % for
// build/board-vm. The kernel's command line (KERNEL_ARGS) follows as one word.
constexpr char QEMU_COMMAND[] =
    "qemu-system-arm -M virt,highmem=off -cpu cortex-a15 -smp 1 -m 512M "
    "-object memory-backend-file,id=ram,size=512M,mem-path=@/ram,share=on "
    "-machine memory-backend=ram -kernel %/vmlinuz -dtb @/board.dtb -initrd @/initramfs.cpio "
    "-nodefaults -display none -no-reboot "
    "-chardev socket,id=console,path=@/console,server=on,wait=on -serial chardev:console "
    "-device virtio-serial-device -chardev socket,id=agent,path=@/agent,server=on,wait=on "
    "-device virtconsole,chardev=agent,name=agent "
    "-object memory-backend-file,id=dm9000,size=1M,mem-path=@/dm9000,share=on "
    "-device ivshmem-plain,memdev=dm9000 "
    "-netdev tap,id=net,ifname=tap0,script=no,downscript=no -device virtio-net-device,netdev=net";
// The stick, when there is one, as /dev/sda.
constexpr char STICK_DEVICES[] =
    " -drive if=none,id=stick,format=raw,file=@/stick.img -device virtio-scsi-device,id=scsi "
    "-device scsi-hd,drive=stick,bus=scsi.0";

std::vector<std::string> qemu_words(const SimOptions &options, const std::string &work,
                                    bool stick) {
    std::string vm = options.source_dir + "/build/board-vm";
    std::string line = std::string(QEMU_COMMAND) + (stick ? STICK_DEVICES : "") + " ";
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c != ' ') {
            word += c == '@' ? work : c == '%' ? vm : std::string(1, c);
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    words.insert(words.end(), {"-append", KERNEL_ARGS});
    return words;
}

// In QEMU's process, in the board's network: a tap for QEMU's NIC, bridged with
// the board's end of the wire to the DHCP server.
void join_board_network() {
    board_namespace_enter_network();
    std::string ip = find_program("ip");
    const std::vector<std::vector<std::string>> steps = {
        {ip, "tuntap", "add", "dev", "tap0", "mode", "tap"},
        {ip, "link", "add", "br0", "type", "bridge"},
        {ip, "link", "set", "eth0", "master", "br0"},
        {ip, "link", "set", "tap0", "master", "br0"},
        {ip, "link", "set", "eth0", "up"},
        {ip, "link", "set", "tap0", "up"},
        {ip, "link", "set", "br0", "up"}};
    for (const std::vector<std::string> &step : steps) {
        std::string why;
        if (!run_process(step, &why)) {
            fprintf(stderr, "ipslide-sim: cannot wire the QEMU board's NIC: %s\n", why.c_str());
            _exit(2);
        }
    }
}

// QEMU listens on each socket and waits for us, in the order of its options.
int connect_socket(const std::string &path, const QemuMachine &machine, std::string *error) {
    uint64_t give_up = monotonic_us() + 30000000;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    for (;;) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
            return fd;
        }
        close(fd);
        int status = reap_process(machine.qemu, false);
        if (status != -1 || monotonic_us() > give_up) {
            *error = "QEMU " +
                     (status != -1 ? describe_wait_status(status) : "did not open " + path) +
                     " at start (see qemu.log)";
            return -1;
        }
        usleep(20000);
    }
}

bool await_sysinit(const QemuMachine &machine, std::string *error) {
    uint64_t begin = monotonic_us();
    uint64_t limit = begin + static_cast<uint64_t>(boot_timeout_s()) * 1000000;
    while (!guest_console_has(SYSINIT_DONE)) {
        int status = reap_process(machine.qemu, false);
        std::string fault = guest_console_fault();
        if (status != -1 || !fault.empty() || monotonic_us() > limit) {
            *error = (status != -1     ? "QEMU " + describe_wait_status(status) + " during the boot"
                      : !fault.empty() ? "the kernel failed during the boot"
                                       : "the board did not finish booting within " +
                                             std::to_string(boot_timeout_s()) + " s") +
                     "; the console's last lines:\n" + guest_console_tail();
            return false;
        }
        usleep(10000);
    }
    printf("ipslide-sim: the QEMU board booted in %.1f s\n",
           static_cast<double>(monotonic_us() - begin) / 1e6);
    return true;
}

bool start_qemu(const SimOptions &options, QemuMachine *machine, const std::string &disk,
                std::string *error) {
    std::string log = options.out_dir + "/qemu.log";
    int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ChildSetup setup;
    setup.before_exec = join_board_network;
    setup.output_fd = log_fd;
    machine->qemu = start_process(qemu_words(options, machine->work, !disk.empty()), setup);
    if (log_fd >= 0) {
        close(log_fd);
    }
    if (machine->qemu < 0) {
        *error = std::string("cannot start QEMU: ") + strerror(errno);
        return false;
    }
    int console = connect_socket(machine->work + "/console", *machine, error);
    if (console < 0 || !guest_console_start(console, options.out_dir + "/console.log", error)) {
        return false;
    }
    int agent = connect_socket(machine->work + "/agent", *machine, error);
    if (agent < 0) {
        return false;
    }
    guest_agent_attach(agent);
    return guest_memory_start(machine->work + "/ram", machine->work + "/dm9000", options.cable,
                              error) &&
           await_sysinit(*machine, error);
}

} // namespace

bool qemu_boot(const SimOptions &options, QemuMachine *machine, std::string *error) {
    if (find_program("qemu-system-arm").empty()) {
        *error = "qemu-system-arm not found; run tools/setup-deps (it installs qemu-system-arm)";
        return false;
    }
    const char *shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(shm) + "/ipslide-qemu.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        *error = pattern + ": " + strerror(errno);
        return false;
    }
    machine->work = pattern;
    std::string disk;
    if (make_files(options, machine->work, &disk, error) &&
        start_qemu(options, machine, disk, error)) {
        return true;
    }
    qemu_shutdown(machine);
    return false;
}

void qemu_shutdown(QemuMachine *machine) {
    guest_memory_stop();
    if (machine->qemu > 0) {
        kill(machine->qemu, SIGKILL);
        reap_process(machine->qemu, true);
        machine->qemu = -1;
    }
    // A watch still waiting for a playback ends once the agent's line has closed.
    masked_faults_stop();
    guest_agent_detach();
    guest_console_stop();
    std::error_code ignored;
    fs::remove_all(machine->work, ignored);
}
