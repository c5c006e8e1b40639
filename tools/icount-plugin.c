/*
 * A QEMU TCG plugin that counts the guest instructions, memory reads and memory
 * writes executed between two marker addresses, for tools/icount.
 *
 * Arguments (-plugin libicount.so,begin=0x...,end=0x...,out=FILE):
 *   begin  address of the first instruction of the begin marker function
 *   end    address of the first instruction of the end marker function
 *   out    file that receives one line per measured region
 *
 * Every instruction adds 1 to a counter, an inline addition that QEMU emits
 * into the translated code, so the count does not depend on how QEMU splits or
 * chains blocks, and an instruction whose condition fails still counts (it takes
 * its cycle on the real core too). Every memory access calls on_access, which
 * adds 1 to the read or the write counter: QEMU 7.2's inline additions for
 * memory do not keep to the read/write filter (its write addition also fires
 * on loads), so the direction is read from each access instead. Reaching the
 * begin marker snapshots the counters; reaching the end marker writes the
 * difference as
 *   region N insns I reads R writes W
 * An instruction that loads or stores several registers (LDM, STM) makes one
 * access per register.
 *
 * One guest thread is assumed: the counters are plain globals.
 */
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <qemu-plugin.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

static uint64_t insns;
static uint64_t reads;
static uint64_t writes;

static uint64_t begin_addr;
static uint64_t end_addr;
static FILE *out;

static int open_region;
static unsigned regions;
static uint64_t insns_at_begin;
static uint64_t reads_at_begin;
static uint64_t writes_at_begin;

static void on_begin(unsigned int vcpu, void *udata) {
    (void)vcpu;
    (void)udata;
    open_region = 1;
    insns_at_begin = insns;
    reads_at_begin = reads;
    writes_at_begin = writes;
}

static void on_end(unsigned int vcpu, void *udata) {
    (void)vcpu;
    (void)udata;
    if (!open_region) {
        fprintf(out, "error end marker without a begin\n");
        fflush(out);
        return;
    }
    open_region = 0;
    fprintf(out, "region %u insns %" PRIu64 " reads %" PRIu64 " writes %" PRIu64 "\n", regions++,
            insns - insns_at_begin, reads - reads_at_begin, writes - writes_at_begin);
    fflush(out);
}

static void on_access(unsigned int vcpu, qemu_plugin_meminfo_t info, uint64_t vaddr, void *udata) {
    (void)vcpu;
    (void)vaddr;
    (void)udata;
    if (qemu_plugin_mem_is_store(info)) {
        writes++;
    } else {
        reads++;
    }
}

static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb *tb) {
    (void)id;
    size_t n = qemu_plugin_tb_n_insns(tb);
    for (size_t i = 0; i < n; i++) {
        struct qemu_plugin_insn *insn = qemu_plugin_tb_get_insn(tb, i);
        uint64_t vaddr = qemu_plugin_insn_vaddr(insn);
        if (vaddr == begin_addr) {
            qemu_plugin_register_vcpu_insn_exec_cb(insn, on_begin, QEMU_PLUGIN_CB_NO_REGS, NULL);
        } else if (vaddr == end_addr) {
            qemu_plugin_register_vcpu_insn_exec_cb(insn, on_end, QEMU_PLUGIN_CB_NO_REGS, NULL);
        }
        qemu_plugin_register_vcpu_insn_exec_inline(insn, QEMU_PLUGIN_INLINE_ADD_U64, &insns, 1);
        qemu_plugin_register_vcpu_mem_cb(insn, on_access, QEMU_PLUGIN_CB_NO_REGS,
                                         QEMU_PLUGIN_MEM_RW, NULL);
    }
}

static void on_plugin_exit(qemu_plugin_id_t id, void *udata) {
    (void)id;
    (void)udata;
    if (open_region) {
        fprintf(out, "error begin marker without an end\n");
    }
    fclose(out);
}

static int parse_address(const char *text, uint64_t *addr) {
    char *rest;
    *addr = strtoull(text, &rest, 0);
    return rest != text && *rest == '\0';
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info, int argc,
                                           char **argv) {
    (void)info;
    const char *out_path = NULL;
    int have_begin = 0;
    int have_end = 0;
    for (int i = 0; i < argc; i++) {
        if (strncmp(argv[i], "begin=", 6) == 0) {
            have_begin = parse_address(argv[i] + 6, &begin_addr);
        } else if (strncmp(argv[i], "end=", 4) == 0) {
            have_end = parse_address(argv[i] + 4, &end_addr);
        } else if (strncmp(argv[i], "out=", 4) == 0) {
            out_path = argv[i] + 4;
        } else {
            fprintf(stderr, "icount plugin: unknown argument %s\n", argv[i]);
            return -1;
        }
    }
    if (!have_begin || !have_end || out_path == NULL) {
        fprintf(stderr, "icount plugin: needs begin=ADDR,end=ADDR,out=FILE\n");
        return -1;
    }
    out = fopen(out_path, "w");
    if (out == NULL) {
        perror(out_path);
        return -1;
    }
    qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
    qemu_plugin_register_atexit_cb(id, on_plugin_exit, NULL);
    return 0;
}
