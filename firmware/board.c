/*
 * Sensor board firmware: ATmega328P at 16 MHz.
 *
 * Stamps every level change of the 8 lane sensors and the 2 race buttons with
 * Timer1 (4 us per tick, extended to 32 bits) and sends the stamps, a heartbeat
 * every 100 ms and the answers to output commands over the UART at 500000 baud.
 * The line, the frames and the pins are described in docs/board-protocol.md.
 *
 * Interrupts: pin change (stamp and queue edges), Timer1 overflow (upper half of
 * the time), Timer1 compare A (heartbeat due), UART data-register-empty (send),
 * UART receive (commands). The main loop builds frames and sleeps otherwise.
 */
#include <avr/eeprom.h>
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <avr/wdt.h>
#include <stdint.h>
#include <util/atomic.h>
#include <util/crc16.h>

#include "protocol.h"

/* ---- reset cause ---------------------------------------------------------
 * MCUSR must be read and cleared before anything else: after a watchdog reset
 * the watchdog stays on with its shortest period. */
static uint8_t reset_cause __attribute__((section(".noinit")));

void early_init(void) __attribute__((naked, used, section(".init3")));
void early_init(void) {
    reset_cause = MCUSR;
    MCUSR = 0;
    wdt_disable();
}

/* ---- board time -------------------------------------------------------- */

static volatile uint16_t time_hi; /* Timer1 overflows: the upper 16 bits */

ISR(TIMER1_OVF_vect) { time_hi++; }

/* The 32-bit board time; only with interrupts off (in a handler or an atomic
 * block). An overflow that has happened but whose handler has not run yet is
 * counted here: its flag is set and the counter has already wrapped to a small
 * value. A counter value in the upper half was read before the wrap. */
static uint32_t time_now_locked(void) {
    uint16_t lo = TCNT1;
    uint16_t hi = time_hi;
    if ((TIFR1 & _BV(TOV1)) && lo < 0x8000u) hi++;
    return ((uint32_t)hi << 16) | lo;
}

static uint32_t time_now(void) {
    uint32_t t;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) { t = time_now_locked(); }
    return t;
}

#define HEARTBEAT_TICKS 25000u /* 100 ms */
static volatile uint8_t heartbeat_due;

ISR(TIMER1_COMPA_vect) {
    OCR1A += HEARTBEAT_TICKS;
    heartbeat_due = 1;
}

/* ---- edge ring ------------------------------------------------------------
 * Filled by the pin-change handlers (which do not nest, so the head has one
 * writer at a time), emptied by the main loop. 128 entries hold what 8 busy
 * lanes produce in 250 ms with room to spare (docs/board-protocol.md). */
#define RING_SIZE 128u
struct edge {
    uint8_t input_level; /* input number in bits 0..6, level in bit 7 */
    uint32_t time;
};
static struct edge ring[RING_SIZE];
static volatile uint8_t ring_head, ring_tail;
static volatile uint16_t lost_edges;
static volatile uint8_t ring_high_water;

static void ring_put(uint8_t input, uint8_t level, uint32_t t) {
    uint8_t head = ring_head;
    uint8_t used = (uint8_t)(head - ring_tail);
    if (used >= RING_SIZE) {
        lost_edges++;
        return;
    }
    ring[head % RING_SIZE].input_level = (uint8_t)(input | (level ? 0x80 : 0));
    ring[head % RING_SIZE].time = t;
    ring_head = (uint8_t)(head + 1);
    if (used + 1 > ring_high_water) ring_high_water = (uint8_t)(used + 1);
}

/* ---- inputs ---------------------------------------------------------------
 * Input 1..6 = PD2..PD7, 7..8 = PB0..PB1, 9 = PC0 (yellow), 10 = PC1 (chaos). */
#define MASK_D 0xFCu
#define MASK_B 0x03u
#define MASK_C 0x03u
static uint8_t last_d, last_b, last_c;

/* Queues one edge per changed pin; bit k of the port is input k + first. */
static void queue_changes(uint8_t changed, uint8_t levels, uint8_t first, uint32_t t) {
    for (uint8_t k = 0; changed; k++, changed >>= 1, levels >>= 1)
        if (changed & 1) ring_put((uint8_t)(k + first), levels & 1, t);
}

/* One handler for the three pin-change vectors: it stamps first and then looks
 * at all three ports, so inputs that change together get the same stamp
 * instead of waiting for each other's handler. A vector whose change was
 * already taken finds nothing new. */
ISR(PCINT2_vect) {
    uint32_t t = time_now_locked();
    uint8_t d = PIND & MASK_D, b = PINB & MASK_B, c = PINC & MASK_C;
    uint8_t changed = d ^ last_d;
    last_d = d;
    if (changed) queue_changes(changed >> 2, d >> 2, 1, t);
    changed = b ^ last_b;
    last_b = b;
    if (changed) queue_changes(changed, b, 7, t);
    changed = c ^ last_c;
    last_c = c;
    if (changed) queue_changes(changed, c, 9, t);
}
ISR(PCINT0_vect, ISR_ALIASOF(PCINT2_vect));
ISR(PCINT1_vect, ISR_ALIASOF(PCINT2_vect));

static uint16_t input_levels(void) {
    return (uint16_t)((PIND & MASK_D) >> 2) | (uint16_t)(PINB & MASK_B) << 6 | (uint16_t)(PINC & MASK_C) << 8;
}

/* ---- UART ------------------------------------------------------------------ */
#define TX_SIZE 128u
static uint8_t tx_buf[TX_SIZE];
static volatile uint8_t tx_head, tx_tail;

#define RX_SIZE 64u
static uint8_t rx_buf[RX_SIZE];
static volatile uint8_t rx_head, rx_tail;

ISR(USART_UDRE_vect) {
    uint8_t tail = tx_tail;
    if (tail == tx_head) {
        UCSR0B &= (uint8_t)~_BV(UDRIE0);
        return;
    }
    UDR0 = tx_buf[tail % TX_SIZE];
    tx_tail = (uint8_t)(tail + 1);
}

ISR(USART_RX_vect) {
    uint8_t b = UDR0;
    uint8_t head = rx_head;
    if ((uint8_t)(head - rx_tail) < RX_SIZE) { /* a full buffer drops the byte; the CRC catches it */
        rx_buf[head % RX_SIZE] = b;
        rx_head = (uint8_t)(head + 1);
    }
}

static uint8_t tx_free(void) { return (uint8_t)(TX_SIZE - (uint8_t)(tx_head - tx_tail)); }

static uint8_t tx_seq;

/* Appends type, seq, body and CRC, COBS-encoded between delimiters, to the transmit
 * buffer. The caller has checked that ZKB_MAX_FRAME bytes are free. */
static void send_frame(uint8_t type, const uint8_t* body, uint8_t len) {
    uint8_t raw[ZKB_MAX_FRAME - 4];
    uint8_t n = 0;
    raw[n++] = type;
    raw[n++] = tx_seq++;
    for (uint8_t i = 0; i < len; i++) raw[n++] = body[i];
    uint16_t crc = 0xFFFF;
    for (uint8_t i = 0; i < n; i++) crc = _crc_xmodem_update(crc, raw[i]);
    raw[n++] = (uint8_t)(crc >> 8);
    raw[n++] = (uint8_t)crc;

    /* COBS: each block starts with the distance to the next zero. A delimiter
     * goes before the frame too, so that a frame following noise on the line
     * is not lost in it. */
    uint8_t out[ZKB_MAX_FRAME];
    out[0] = 0;
    uint8_t code_at = 1, o = 2, code = 1;
    for (uint8_t i = 0; i < n; i++) {
        if (raw[i] == 0) {
            out[code_at] = code;
            code_at = o++;
            code = 1;
        } else {
            out[o++] = raw[i];
            code++;
        }
    }
    out[code_at] = code;
    out[o++] = 0;

    uint8_t head = tx_head;
    for (uint8_t i = 0; i < o; i++) tx_buf[(uint8_t)(head + i) % TX_SIZE] = out[i];
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        tx_head = (uint8_t)(head + o);
        UCSR0B |= _BV(UDRIE0);
    }
}

static void put32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

/* ---- outputs ----------------------------------------------------------------
 * Two 74HC595 on the SPI pins: MOSI PB3, SCK PB5, latch PB2, /OE PC2. */
static uint8_t applied_pending, applied_seq, applied_power, applied_lamps;
static uint32_t applied_time;

static void spi_byte(uint8_t b) {
    SPDR = b;
    while (!(SPSR & _BV(SPIF))) {
    }
}

static void set_outputs(uint8_t power, uint8_t lamps) {
    spi_byte(lamps); /* shifted through to the second register */
    spi_byte(power);
    PORTB |= _BV(PB2);
    PORTB &= (uint8_t)~_BV(PB2);
    PORTC &= (uint8_t)~_BV(PC2); /* drivers on from the first command */
    applied_time = time_now();
}

/* ---- messages ---------------------------------------------------------------- */
static uint8_t hello_pending = 1;

static void send_hello(void) {
    uint8_t b[18];
    b[0] = 'Z';
    b[1] = 'K';
    b[2] = 'B';
    b[3] = ZKB_PROTOCOL_VERSION;
    b[4] = ZKB_FW_MAJOR;
    b[5] = ZKB_FW_MINOR;
    put32(b + 6, eeprom_read_dword((const uint32_t*)0));
    b[10] = reset_cause;
    b[11] = (uint8_t)ZKB_TICK_NS;
    b[12] = (uint8_t)(ZKB_TICK_NS >> 8);
    b[13] = ZKB_INPUTS;
    put32(b + 14, time_now());
    send_frame(ZKB_HELLO, b, sizeof b);
}

static void send_heartbeat(void) {
    uint8_t b[9];
    uint16_t lost;
    uint8_t hw;
    uint32_t t;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        t = time_now_locked();
        lost = lost_edges;
        hw = ring_high_water;
    }
    uint16_t lv = input_levels();
    put32(b, t);
    b[4] = (uint8_t)lv;
    b[5] = (uint8_t)(lv >> 8);
    b[6] = (uint8_t)lost;
    b[7] = (uint8_t)(lost >> 8);
    b[8] = hw;
    send_frame(ZKB_HEARTBEAT, b, sizeof b);
}

static void send_edge(void) {
    uint8_t tail = ring_tail;
    const struct edge* e = &ring[tail % RING_SIZE];
    uint8_t b[6];
    b[0] = e->input_level & 0x7F;
    b[1] = e->input_level >> 7;
    put32(b + 2, e->time);
    ring_tail = (uint8_t)(tail + 1); /* the entry is copied: the slot may be reused */
    send_frame(ZKB_EDGE, b, sizeof b);
}

static void send_applied(void) {
    uint8_t b[7];
    b[0] = applied_seq;
    b[1] = applied_power;
    b[2] = applied_lamps;
    put32(b + 3, applied_time);
    send_frame(ZKB_APPLIED, b, sizeof b);
    applied_pending = 0;
}

/* ---- commands ------------------------------------------------------------------ */
static uint8_t rx_frame[ZKB_MAX_FRAME];
static uint8_t rx_len;
static uint8_t rx_overlong;

static void handle_frame(void) {
    /* COBS decode in place. */
    uint8_t raw[ZKB_MAX_FRAME];
    uint8_t n = 0, i = 0;
    while (i < rx_len) {
        uint8_t code = rx_frame[i++];
        if (code == 0 || i + code - 1 > rx_len) return;
        for (uint8_t k = 1; k < code; k++) raw[n++] = rx_frame[i++];
        if (code < 0xFF && i < rx_len) raw[n++] = 0;
    }
    if (n < 4) return;
    uint16_t crc = 0xFFFF;
    for (uint8_t k = 0; k < n - 2; k++) crc = _crc_xmodem_update(crc, raw[k]);
    if (raw[n - 2] != (uint8_t)(crc >> 8) || raw[n - 1] != (uint8_t)crc) return;
    uint8_t type = raw[0], seq = raw[1], len = (uint8_t)(n - 4);
    const uint8_t* body = raw + 2;
    if (type == ZKB_OUTPUTS && len >= 2) {
        set_outputs(body[0], body[1]);
        applied_seq = seq;
        applied_power = body[0];
        applied_lamps = body[1];
        applied_pending = 1;
    } else if (type == ZKB_HELLO_REQUEST) {
        hello_pending = 1;
    }
}

static void poll_rx(void) {
    while (rx_tail != rx_head) {
        uint8_t b = rx_buf[rx_tail % RX_SIZE];
        rx_tail = (uint8_t)(rx_tail + 1);
        if (b == 0) {
            if (!rx_overlong) handle_frame();
            rx_len = 0;
            rx_overlong = 0;
        } else if (rx_len < sizeof rx_frame) {
            rx_frame[rx_len++] = b;
        } else {
            rx_overlong = 1;
        }
    }
}

/* ---- start-up and main loop ------------------------------------------------------- */
static void init(void) {
    /* Inputs with pull-ups. */
    DDRD &= (uint8_t)~MASK_D;
    PORTD |= MASK_D;
    DDRB &= (uint8_t)~MASK_B;
    PORTB |= MASK_B;
    DDRC &= (uint8_t)~MASK_C;
    PORTC |= MASK_C;
    /* Shift registers: outputs disabled (/OE high) until the first command. */
    PORTC |= _BV(PC2);
    DDRC |= _BV(PC2);
    DDRB |= _BV(PB2) | _BV(PB3) | _BV(PB5);
    PORTB &= (uint8_t)~_BV(PB2);
    SPCR = _BV(SPE) | _BV(MSTR);
    SPSR = _BV(SPI2X);

    /* Timer1: normal mode, clk/64 = 4 us per tick; compare A for the heartbeat. */
    TCCR1A = 0;
    TCCR1B = _BV(CS11) | _BV(CS10);
    OCR1A = HEARTBEAT_TICKS;
    TIMSK1 = _BV(TOIE1) | _BV(OCIE1A);

    /* UART 500000 8N1: U2X, UBRR 3 divides 16 MHz exactly. */
    UBRR0 = 3;
    UCSR0A = _BV(U2X0);
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);

    /* Pin-change interrupts; the remembered levels start as the pins are. */
    last_d = PIND & MASK_D;
    last_b = PINB & MASK_B;
    last_c = PINC & MASK_C;
    PCMSK2 = MASK_D;
    PCMSK0 = MASK_B;
    PCMSK1 = MASK_C;
    PCICR = _BV(PCIE0) | _BV(PCIE1) | _BV(PCIE2);

    set_sleep_mode(SLEEP_MODE_IDLE);
    wdt_enable(WDTO_1S);
}

int main(void) {
    init();
    sei();
    for (;;) {
        wdt_reset();
        poll_rx();
        if (tx_free() >= ZKB_MAX_FRAME) {
            if (hello_pending) {
                hello_pending = 0;
                send_hello();
                continue;
            }
            if (applied_pending) {
                send_applied();
                continue;
            }
            if (heartbeat_due) {
                heartbeat_due = 0;
                send_heartbeat();
                continue;
            }
            if (ring_tail != ring_head) {
                send_edge();
                continue;
            }
        }
        /* Nothing to do until an interrupt: a pin change, the heartbeat, a
         * received byte or room in the transmit buffer. */
        cli();
        if (rx_tail == rx_head && (tx_free() < ZKB_MAX_FRAME || (!heartbeat_due && ring_tail == ring_head))) {
            sleep_enable();
            sei();
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
