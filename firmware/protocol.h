/* Message types and sizes of the board's serial protocol (docs/board-protocol.md). */
#ifndef ZKB_PROTOCOL_H
#define ZKB_PROTOCOL_H

#define ZKB_PROTOCOL_VERSION 1
#define ZKB_FW_MAJOR 1
#define ZKB_FW_MINOR 0

#define ZKB_BAUD 500000UL
#define ZKB_TICK_NS 4000
#define ZKB_INPUTS 10

/* board -> program */
#define ZKB_HELLO 0x01
#define ZKB_HEARTBEAT 0x02
#define ZKB_EDGE 0x03
#define ZKB_APPLIED 0x04
/* program -> board */
#define ZKB_OUTPUTS 0x81
#define ZKB_HELLO_REQUEST 0x82

/* Longest encoded frame, delimiter included. */
#define ZKB_MAX_FRAME 64

#endif
