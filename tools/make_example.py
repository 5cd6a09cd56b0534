#!/usr/bin/env python3
"""Writes the example drive examples/M1_1_05.json and its titles document.

The drive is invented: a 400 V general-purpose inverter with ten parameter groups. Run from the
repository root: python3 tools/make_example.py
"""
import json
import pathlib

titles = {}
title_ids = {}


def title(text):
    """The id of a title text, entered in the titles document on first use."""
    if text not in title_ids:
        title_ids[text] = len(title_ids) + 1
        titles[title_ids[text]] = text
    return title_ids[text]


UNITS = ["", "Hz", "sec", "%", "A", "V", "kW", "rpm", "\u00b0C", "ms", "kHz", "Nm", "hr", "mH",
         "ohm", "bps"]
unit_ids = {u: i for i, u in enumerate(UNITS) if u}

messages = []


def message(names):
    """The id of a new message listing the names; a name may be (title with @, value)."""
    entries = []
    for name in names:
        if isinstance(name, tuple):
            entries.append({"Title::id": title(name[0]), "AtValue": name[1]})
        else:
            entries.append({"Title::id": title(name)})
    messages.append({"id": len(messages), "TitleInfo": entries})
    return len(messages) - 1


OFF_ON = message(["Off", "On"])
NO_YES = message(["No", "Yes"])
RUN_SOURCE = message(["Keypad", "Fx/Rx-1", "Fx/Rx-2", "Int 485", "Field Bus", "PLC"])
FREQ_SOURCE = message(["Keypad-1", "Keypad-2", "V1", "I1", "V2", "I2", "Int 485", "Encoder",
                       "Field Bus", "PLC", "Pulse"])
CONTROL_MODE = message(["V/F", "Slip Compen", "Sensorless", "Vector"])
ACC_PATTERN = message(["Linear", "S-curve"])
STOP_MODE = message(["Decel", "DC-Brake", "Free-Run", "Power Braking"])
MOTOR_SELECT = message(["0.75 kW", "1.5 kW", "2.2 kW", "3.7 kW", "5.5 kW", "7.5 kW", "11 kW",
                        "15 kW", "18.5 kW", "22 kW"])
TEMP_UNIT = message(["\u0005C", "\u0005F"])
BAUD = message(["1200 bps", "2400 bps", "4800 bps", "9600 bps", "19200 bps", "38400 bps"])
PROTOCOL = message(["ModBus RTU", "Reserved", "Drive BUS"])
TRIP_ACTION = message(["None", "Free-Run", "Dec"])
IN_FUNCS = message(["NONE", "FX", "RX", "RST", "External Trip", "BX", "JOG", "Speed-L",
                    "Speed-M", "Speed-H", "Speed-X", "XCEL-L", "XCEL-M", "RUN Enable", "3-Wire",
                    "2nd Source", "Exchange", "Up", "Down", "U/D Clear", "Analog Hold",
                    "I-Term Clear", "PID Openloop", "P Gain2", "XCEL Stop", "2nd Motor",
                    "Trq Bias", "Interlock1", "Interlock2", "Interlock3", "Interlock4",
                    "Pre Excite", "Timer In", "Dis Aux Ref", "FWD JOG", "REV JOG",
                    "Fire Mode", "KEB-1 Select", "Pulse Input", "Seq-1", "Seq-2"])
OUT_FUNCS = message(["NONE", "FDT-1", "FDT-2", "FDT-3", "FDT-4", "Over Load", "IOL", "Under Load",
                     "Fan Warning", "Stall", "Over Voltage", "Low Voltage", "Over Heat",
                     "Lost Command", "Run", "Stop", "Steady", "Inverter Line", "Comm Line",
                     "Speed Search", "Ready", "Zspd Dect", "Trq Dect", "Timer Out", "Trip",
                     "Lost Keypad", "DB Warn%ED", "ENC Tune", "ENC Dir", "On/Off Control",
                     "BR Control"])
TRIPS = message(["None", "Over Current1", "Over Voltage", "External Trip", "NTC Open",
                 "Over Current2", "Option Trip-1", "Over Heat", "Out Phase Open", "In Phase Open",
                 "Inverter OLT", "Ground Trip", "Fan Trip", "E-Thermal", "Pre-PID Fail",
                 "IO Board Trip", "Ext-Brake", "No Motor Trip", "Low Voltage2", "Safety Opt Err",
                 "Over Load", "Under Load", "Lost Command", "Thermal Trip", "Param Write Trip",
                 "Over Speed", "Speed Dev Trip", "Encoder Trip", "Low Voltage", "Fuse Open",
                 "Bad Contact"])
WARNINGS = message(["None", "Over Load", "Under Load", "Inv Over Load", "Lost Command",
                    "Fan Warning", "DB Warn %ED", "Fire Mode", "Enc Conn Check", "Enc Dir Check",
                    "Lost Keypad", "Retry Tr Tune", "Battery Low"])
MONITOR = message(["Frequency", "Speed", "Output Current", "Output Voltage", "Output Power",
                   "DC Link Voltage", "Torque", "Input Terminal", "Output Terminal", "V1 Monitor",
                   "I1 Monitor", "PID Output", "Inverter Temp", "Motor Temp"])
ANALOG_OUT = message(["Frequency", "Output Current", "Output Voltage", "DCLink Voltage",
                      "Torque", "Output Power", "Idse", "Iqse", "Target Freq", "Ramp Freq",
                      "Speed Fdb", "PID Ref Value", "PID Fdk Value", "PID Output", "Constant"])
PID_MODE = message(["Process PID", "Normal PID"])
SEQ_STEPS = message([("Seq Step-@", str(n)) for n in range(1, 9)])
# Enumerations of a few options each, so that the drive has the breadth of a real one.
EXTRA = [message([f"{name} {v}" for v in ("A", "B", "C")]) for name in (
    "Keypad Lang", "Display Mode", "Fan Control", "Power-on Run", "Reset Restart", "Load Duty",
    "Energy Save", "Speed Search", "Kick Start", "Brake Type", "Overmod", "Carrier Mode",
    "Regen Avoid", "Motor Cooling", "Phase Loss", "Input Filter", "Output Filter", "Safe Stop",
    "Jog Source", "Aux Ref Mode", "Mot Ctrl Sel", "Drive Mode 2", "Alarm Mode", "Data Log",
    "KEB Mode", "Dwell Mode", "Auto Tuning", "Torque Ctrl", "Slip Mode", "Ref Scale",
    "PWM Mode", "DB Mode", "Start Mode", "Frq Limit Mode", "Pre-Heat", "Damper", "Lubrication",
    "Flow Comp", "Pump Clean", "Sleep Mode", "Wake Mode", "Pipe Fill", "Level Detect",
    "Timer Mode", "Text Mode", "Curr Limit", "Trip Log")]
EXTRA_APP = [message([f"{name} {v}" for v in ("Off", "Low", "High")]) for name in (
    "Boost Pump", "Aux Motor", "Flow Alarm", "Dry Run", "Pressure Hi", "Pressure Lo", "Valve",
    "Tank Level", "Anti-Jam", "Pump Swap", "Filter Alarm", "Heater", "Cooling Fan",
    "Door Switch")]

GROUPS = [
    (0, "DRV Group", 0x8000), (1, "BAS Group", 0x8000), (2, "ADV Group", 0x8000),
    (3, "CON Group", 0x8000), (4, "IN Group", 0x8000), (5, "OUT Group", 0x8000),
    (6, "COM Group", 0x8000), (7, "APP Group", 0x0000), (8, "PRT Group", 0x8000),
    (9, "M2 Group", 0x0000)]

param_id = 0
groups = []


def p(code, name, default, lo, hi, point=0, unit="", attr="0x0000", dtype=0, msg=None, at=None):
    """One parameter; a message id makes it an enumerated parameter (data type 255)."""
    global param_id
    param_id += 1
    entry = {"id": param_id, "CodeNum": code, "Title::id": title(name), "Def": default,
             "Max": hi, "Min": lo, "DataType": 255 if msg is not None else dtype,
             "Point32": point, "Attr": attr}
    if at is not None:
        entry["AtValue"] = at
    if msg is not None:
        entry["Message::id"] = msg
    if unit:
        entry["Unit::id"] = unit_ids[unit]
    return entry


def enum_params(start, names, msg, default=0):
    return [p(start + i, n, default, 0, 2, msg=m) for i, (n, m) in enumerate(zip(names, msg))]


def group_params(num):
    if num == 0:
        params = [p(0, "Jump Code", 9, 1, 99), p(1, "Target Freq", 0, 0, 6000, 2, "Hz", "0x0001"),
                  p(2, "Torque Command", 0, -1800, 1800, 1, "%"),
                  p(3, "Acc Time", 200, 0, 60000, 1, "sec", "0x0002"),
                  p(4, "Dec Time", 300, 0, 60000, 1, "sec", "0x0002"),
                  p(6, "Cmd Source", 1, 0, 5, msg=RUN_SOURCE),
                  p(7, "Freq Ref Src", 0, 0, 10, msg=FREQ_SOURCE),
                  p(9, "Control Mode", 0, 0, 3, msg=CONTROL_MODE),
                  p(14, "Motor Capacity", 3, 0, 9, msg=MOTOR_SELECT),
                  p(18, "Base Freq", 6000, 3000, 40000, 2, "Hz"),
                  p(19, "Start Freq", 50, 1, 1000, 2, "Hz"),
                  p(20, "Max Freq", 6000, 4000, 40000, 2, "Hz"),
                  p(21, "Hz/Rpm Sel", 0, 0, 1, msg=NO_YES),
                  p(22, "Temp Unit", 0, 0, 1, msg=TEMP_UNIT)]
        params += [p(30 + i, "Monitor Mode @", 0, 0, 13, msg=MONITOR, at=str(i + 1))
                   for i in range(3)]
        params += enum_params(40, ["Keypad Lang", "Display Mode", "Fan Control", "Power-on Run"],
                              EXTRA[0:4])
        params += [p(50 + i, "Step Freq-@", 1000 * (i + 1), 0, 40000, 2, "Hz", at=str(i + 1))
                   for i in range(8)]
        params += [p(60, "Para Status Num", 0, 0, 8, attr="0x0010"),
                   p(61, "Para Control Num", 0, 0, 8, attr="0x0010")]
        return params
    if num == 1:
        params = [p(0, "Jump Code", 20, 1, 99), p(1, "Acc Pattern", 0, 0, 1, msg=ACC_PATTERN),
                  p(2, "Dec Pattern", 0, 0, 1, msg=ACC_PATTERN),
                  p(3, "Stop Mode", 0, 0, 3, msg=STOP_MODE),
                  p(4, "Rated Slip", 40, 0, 3000, 0, "rpm"),
                  p(5, "Rated Curr", 36, 10, 2000, 1, "A"),
                  p(6, "Noload Curr", 16, 5, 1000, 1, "A"),
                  p(7, "Rated Volt", 380, 170, 480, 0, "V"),
                  p(8, "Efficiency", 83, 70, 100, 0, "%"),
                  p(9, "Inertia Rate", 0, 0, 8),
                  p(10, "Stator R", 2600, 0, 60000, 3, "ohm"),
                  p(11, "Lsigma", 2850, 0, 60000, 2, "mH"),
                  p(12, "Ls", 24000, 0, 60000, 2, "mH"),
                  p(13, "Tr", 260, 25, 5000, 0, "ms")]
        params += [p(20 + i, "Jump Lo @", 1000 * i, 0, 6000, 2, "Hz", at=str(i + 1))
                   for i in range(3)]
        params += [p(23 + i, "Jump Hi @", 1000 * i + 500, 0, 6000, 2, "Hz", at=str(i + 1))
                   for i in range(3)]
        params += enum_params(30, ["Reset Restart", "Load Duty", "Energy Save", "Speed Search",
                                   "Kick Start", "Brake Type", "Overmod", "Carrier Mode"],
                              EXTRA[4:12])
        params += [p(40, "Carrier Freq", 30, 10, 150, 1, "kHz")]
        return params
    if num == 2:
        params = [p(0, "Jump Code", 24, 1, 99), p(1, "Acc S Start", 40, 1, 100, 0, "%"),
                  p(2, "Acc S End", 40, 1, 100, 0, "%"), p(3, "Dec S Start", 40, 1, 100, 0, "%"),
                  p(4, "Dec S End", 40, 1, 100, 0, "%"),
                  p(5, "DC-Start Time", 0, 0, 6000, 2, "sec"),
                  p(6, "DC Inj Level", 50, 0, 200, 0, "%"),
                  p(7, "DC-Block Time", 10, 0, 6000, 2, "sec"),
                  p(8, "DC-Brake Time", 100, 0, 6000, 2, "sec"),
                  p(9, "DC-Brake Level", 50, 0, 200, 0, "%"),
                  p(10, "DC-Brake Freq", 500, 1, 6000, 2, "Hz")]
        params += [p(11 + i, "Dwell Freq @", 500, 1, 6000, 2, "Hz", at=str(i + 1))
                   for i in range(2)]
        params += [p(20 + i, "Acc Time-@", 200 * (i + 1), 0, 60000, 1, "sec", at=str(i + 1))
                   for i in range(7)]
        params += [p(27 + i, "Dec Time-@", 200 * (i + 1), 0, 60000, 1, "sec", at=str(i + 1))
                   for i in range(7)]
        params += enum_params(40, ["Regen Avoid", "Motor Cooling", "Phase Loss", "Input Filter"],
                              EXTRA[12:16])
        return params
    if num == 3:
        params = [p(0, "Jump Code", 4, 1, 99), p(1, "ASR P Gain1", 500, 0, 5000, 1, "%"),
                  p(2, "ASR I Gain1", 300, 10, 9999, 0, "ms"),
                  p(3, "ASR P Gain2", 500, 0, 5000, 1, "%"),
                  p(4, "ASR I Gain2", 300, 10, 9999, 0, "ms"),
                  p(5, "Torque Lmt Src", 0, 0, 10, msg=FREQ_SOURCE),
                  p(6, "FWD +Trq Lmt", 1800, 0, 2000, 1, "%"),
                  p(7, "FWD -Trq Lmt", 1800, 0, 2000, 1, "%"),
                  p(8, "REV +Trq Lmt", 1800, 0, 2000, 1, "%"),
                  p(9, "REV -Trq Lmt", 1800, 0, 2000, 1, "%"),
                  p(10, "Flux Ref", 1000, 500, 1500, 1, "%"),
                  p(11, "Speed Lmt", 6000, 0, 40000, 2, "Hz"),
                  p(12, "Torque Bias", 0, -1200, 1200, 1, "%"),
                  p(13, "Droop Perc", 0, 0, 1000, 1, "%")]
        params += enum_params(20, ["Output Filter", "Safe Stop", "Jog Source", "Aux Ref Mode",
                                   "Mot Ctrl Sel", "Drive Mode 2"], EXTRA[16:22])
        params += [p(30 + i, "Kp Step @", 100 * (i + 1), 0, 5000, 1, "%", at=str(i + 1))
                   for i in range(4)]
        return params
    if num == 4:
        params = [p(0, "Jump Code", 65, 1, 99), p(1, "Freq at 100%", 6000, 0, 40000, 2, "Hz"),
                  p(2, "Torque at 100%", 1000, 0, 2000, 1, "%"),
                  p(5, "V1 Monitor", 0, 0, 1200, 2, "V", "0x0040"),
                  p(6, "V1 Polarity", 0, 0, 1, msg=NO_YES),
                  p(7, "V1 Filter", 10, 0, 10000, 0, "ms"),
                  p(8, "V1 Volt x1", 0, 0, 1000, 2, "V"),
                  p(9, "V1 Perc y1", 0, 0, 1000, 2, "%"),
                  p(10, "V1 Volt x2", 1000, 0, 1000, 2, "V"),
                  p(11, "V1 Perc y2", 10000, 0, 10000, 2, "%")]
        params += [p(65 + i, "P@ Define", [1, 2, 5, 3, 7, 8, 9, 0][i], 0, 40, msg=IN_FUNCS,
                     at=str(i + 1)) for i in range(8)]
        params += [p(73 + i, "EP@ Define", 0, 0, 40, msg=IN_FUNCS, at=str(i + 1))
                   for i in range(4)]
        params += [p(85, "DI On Delay", 0, 0, 10000, 0, "ms"),
                   p(86, "DI Off Delay", 0, 0, 10000, 0, "ms"),
                   p(87, "DI NC/NO Sel", 0, 0, 0x0FFF, attr="0x0100"),
                   p(89, "InCheck Time", 1, 1, 5000, 0, "ms"),
                   p(90, "DI Status", 0, 0, 0x0FFF, attr="0x0140")]
        return params
    if num == 5:
        params = [p(0, "Jump Code", 30, 1, 99),
                  p(1, "AO1 Mode", 0, 0, 14, msg=ANALOG_OUT),
                  p(2, "AO1 Gain", 1000, -10000, 10000, 1, "%"),
                  p(3, "AO1 Bias", 0, -1000, 1000, 1, "%"),
                  p(4, "AO1 Filter", 5, 0, 10000, 0, "ms"),
                  p(7, "AO2 Mode", 0, 0, 14, msg=ANALOG_OUT),
                  p(8, "AO2 Gain", 1000, -10000, 10000, 1, "%")]
        params += [p(30 + i, "Relay @", [29, 14][i], 0, 30, msg=OUT_FUNCS, at=str(i + 1))
                   for i in range(2)]
        params += [p(33 + i, "Q@ Define", 14, 0, 30, msg=OUT_FUNCS, at=str(i + 1))
                   for i in range(3)]
        params += [p(40 + i, "Q@ Ext Define", 0, 0, 30, msg=OUT_FUNCS, at=str(i + 4))
                   for i in range(3)]
        params += [p(50, "DO On Delay", 0, 0, 10000, 2, "sec"),
                   p(51, "DO Off Delay", 0, 0, 10000, 2, "sec"),
                   p(52, "DO NC/NO Sel", 0, 0, 0x7, attr="0x0100"),
                   p(53, "TripOut OnDly", 0, 0, 10000, 2, "sec"),
                   p(57, "FDT Frequency", 3000, 0, 40000, 2, "Hz"),
                   p(58, "FDT Band", 1000, 0, 40000, 2, "Hz")]
        return params
    if num == 6:
        params = [p(0, "Jump Code", 20, 1, 99), p(1, "Int485 St ID", 1, 1, 250),
                  p(2, "Int485 Proto", 0, 0, 2, msg=PROTOCOL),
                  p(3, "Int485 BaudR", 3, 0, 5, msg=BAUD),
                  p(4, "Int485 Mode", 0, 0, 3),
                  p(5, "Resp Delay", 5, 0, 1000, 0, "ms"),
                  p(6, "FBus S/W Ver", 0, 0, 0xFFFF, 2, attr="0x0040"),
                  p(7, "FBus ID", 1, 0, 255), p(8, "FBUS BaudRate", 0, 0, 3),
                  p(9, "FieldBus LED", 0, 0, 0xF, attr="0x0040")]
        params += [p(30 + i, "Para Stauts-@", 0x000A + i, 0, 0xFFFF, attr="0x0001", at=str(i + 1))
                   for i in range(8)]
        params += [p(50 + i, "Para Control-@", 0x0005 + i, 0, 0xFFFF, attr="0x0001",
                     at=str(i + 1)) for i in range(8)]
        params += [p(70, "Comm Mon Sel", 0, 0, 2), p(71, "Comm Addr Mon", 0, 0, 0xFFFF)]
        params += [p(80 + i, "Comm Mon @", 0, 0, 0xFFFF, attr="0x0040", at=str(i + 1))
                   for i in range(8)]
        return params
    if num == 7:
        params = [p(0, "Jump Code", 1, 1, 99), p(1, "App Mode", 0, 0, 1, msg=PID_MODE),
                  p(16, "PID Output", 0, -10000, 10000, 2, "%", "0x0040"),
                  p(17, "PID Ref Value", 0, -10000, 10000, 2, "%", "0x0040"),
                  p(18, "PID Fdb Value", 0, -10000, 10000, 2, "%", "0x0040"),
                  p(19, "PID Ref Set", 5000, -10000, 10000, 2, "%"),
                  p(20, "PID Ref Source", 0, 0, 10, msg=FREQ_SOURCE),
                  p(22, "PID P-Gain", 500, 0, 10000, 1, "%"),
                  p(23, "PID I-Time", 100, 0, 2000, 1, "sec"),
                  p(24, "PID D-Time", 0, 0, 1000, 0, "ms"),
                  p(29, "PID Limit Hi", 6000, -30000, 30000, 2, "Hz"),
                  p(30, "PID Limit Lo", -6000, -30000, 30000, 2, "Hz")]
        params += [p(40 + i, "Seq @ Step", 0, 0, 7, msg=SEQ_STEPS, at=str(i + 1))
                   for i in range(4)]
        params += enum_params(50, ["Alarm Mode", "Data Log", "KEB Mode", "Dwell Mode",
                                   "Auto Tuning", "Torque Ctrl", "Slip Mode", "Ref Scale"],
                              EXTRA[22:30])
        params += enum_params(70, ["Boost Pump", "Aux Motor", "Flow Alarm", "Dry Run",
                                   "Pressure Hi", "Pressure Lo", "Valve", "Tank Level",
                                   "Anti-Jam", "Pump Swap", "Filter Alarm", "Heater",
                                   "Cooling Fan", "Door Switch"], EXTRA_APP)
        params += [p(60, "Motor Temp", 0, -400, 2000, 1, "\u00b0C", "0x0040"),
                   p(61, "Inv Temp", 0, -400, 1500, 1, "\u00b0C", "0x0040")]
        return params
    if num == 8:
        params = [p(0, "Jump Code", 4, 1, 99), p(4, "Load Duty", 1, 0, 1, msg=NO_YES),
                  p(5, "Phase Loss Chk", 0, 0, 3), p(6, "IPO V Band", 40, 1, 100, 0, "V"),
                  p(12, "Lost Cmd Mode", 0, 0, 2, msg=TRIP_ACTION),
                  p(13, "Lost Cmd Time", 10, 1, 1200, 1, "sec"),
                  p(17, "OL Warn Select", 1, 0, 1, msg=NO_YES),
                  p(18, "OL Warn Level", 150, 30, 180, 0, "%"),
                  p(19, "OL Warn Time", 100, 0, 300, 1, "sec"),
                  p(20, "OL Trip Select", 1, 0, 2, msg=TRIP_ACTION),
                  p(21, "OL Trip Level", 180, 30, 200, 0, "%"),
                  p(22, "OL Trip Time", 600, 0, 600, 1, "sec"),
                  p(40, "ETH Trip Sel", 0, 0, 2, msg=TRIP_ACTION),
                  p(41, "Motor Cooling", 0, 0, 1, msg=OFF_ON),
                  p(42, "ETH 1min", 150, 120, 200, 0, "%"),
                  p(43, "ETH Cont", 120, 50, 150, 0, "%"),
                  p(50, "Stall Prevent", 0, 0, 0xF, attr="0x0100"),
                  p(60, "Temp Limit", 850, 500, 1100, 1, "\u00b0C")]
        params += [p(70 + i, "Trip Hist @", 0, 0, 30, msg=TRIPS, at=str(i + 1))
                   for i in range(5)]
        params += enum_params(80, ["Pre-Heat", "Damper", "Lubrication", "Flow Comp",
                                   "Pump Clean", "Sleep Mode"], EXTRA[34:40])
        return params
    params = [p(0, "Jump Code", 4, 1, 99), p(4, "M2-Acc Time", 50, 0, 60000, 1, "sec"),
              p(5, "M2-Dec Time", 100, 0, 60000, 1, "sec"),
              p(6, "M2-Capacity", 3, 0, 9, msg=MOTOR_SELECT),
              p(7, "M2-Base Freq", 6000, 3000, 40000, 2, "Hz"),
              p(8, "M2-Ctrl Mode", 0, 0, 3, msg=CONTROL_MODE),
              p(10, "M2-Pole Num", 4, 2, 48), p(11, "M2-Rated Slip", 45, 0, 3000, 0, "rpm"),
              p(12, "M2-Rated Curr", 36, 10, 2000, 1, "A"),
              p(13, "M2-Noload Curr", 16, 5, 1000, 1, "A"),
              p(14, "M2-Rated Volt", 380, 170, 480, 0, "V"),
              p(15, "M2-Efficiency", 83, 70, 100, 0, "%"),
              p(17, "M2-Rs", 2600, 0, 60000, 3, "ohm"), p(18, "M2-Lsigma", 2850, 0, 60000, 2, "mH"),
              p(19, "M2-Boost Type", 0, 0, 1, msg=NO_YES),
              p(20, "M2-Fwd Boost", 20, 0, 150, 1, "%"), p(21, "M2-Rev Boost", 20, 0, 150, 1, "%"),
              p(22, "M2-Stall Lev", 150, 30, 150, 0, "%"), p(23, "M2-ETH 1min", 150, 100, 200, 0, "%"),
              p(24, "M2-ETH Cont", 120, 50, 150, 0, "%")]
    params += enum_params(30, ["Wake Mode", "Pipe Fill", "Level Detect", "Timer Mode",
                               "Text Mode", "Curr Limit", "Trip Log"], EXTRA[40:47])
    params += [p(40 + i, "M2-V/F Freq @", 1500 * (i + 1), 0, 40000, 2, "Hz", at=str(i + 1))
               for i in range(4)]
    params += [p(44 + i, "M2-V/F Volt @", 25 * (i + 1), 0, 100, 0, "%", at=str(i + 1))
               for i in range(4)]
    return params


for num, name, attr in GROUPS:
    groups.append({"GroupNum": num, "Title::id": title(name), "GroupAttr": f"0x{attr:04X}",
                   "Parameters": group_params(num)})

ids = {(g["GroupNum"], prm["CodeNum"]): prm["id"] for g in groups for prm in g["Parameters"]}


def terminals(label, start, count, base_addr):
    return [{"Title::id": title(label), "AtValue": str(start + i),
             "CommAddr": f"0x{base_addr + i:04X}"} for i in range(count)]


status_info = [
    {"id": 1, "Title::id": title("Output Freq"), "DataType": 2, "Point16": 2, "Unit::id": unit_ids["Hz"]},
    {"id": 2, "Title::id": title("Output Current"), "DataType": 2, "Point16": 1, "Unit::id": unit_ids["A"]},
    {"id": 3, "Title::id": title("DC Link Voltage"), "DataType": 2, "Point16": 0, "Unit::id": unit_ids["V"]},
    {"id": 4, "Title::id": title("Inverter Temp"), "DataType": 3, "Point16": 0, "Unit::id": unit_ids["\u00b0C"]},
    {"id": 5, "Title::id": title("Run Time"), "DataType": 2, "Point16": 0, "Unit::id": unit_ids["hr"]},
    {"id": 6, "Title::id": title("Input Terminal"), "DataType": 1, "Point16": 0, "Message::id": IN_FUNCS},
    {"id": 7, "Title::id": title("Output Terminal"), "DataType": 1, "Point16": 0},
    {"id": 8, "Title::id": title("Trip Step @"), "AtValue": "1", "DataType": 2, "Point16": 0},
]

function_list = []
FB_NAMES = ["ADD", "SUB", "MUL", "DIV", "MIN", "MAX", "ABS", "NEG", "LIMIT", "AND", "OR", "XOR",
            "NOT", "CMP-GT", "CMP-LT", "TIMER", "COUNTER", "SWITCH", "BITSET", "FILTER"]
for i, name in enumerate(FB_NAMES):
    group_id = 1 if i < 9 else (2 if i < 15 else 3)
    function_list.append({
        "Name": name, "Groups::id": group_id, "Blockid": i + 1, "BlockType": f"0x{0x0100 + i:04X}",
        "Expansion": [{"ExpansionType": "input", "IOTypes::id": 1},
                      {"ExpansionType": "output", "IOTypes::id": 2}] if i % 3 == 0 else [],
        "InputParameterIdList": [{"Parameters::id": ids[(7, 16)], "IOTypes::id": 1, "Value": i},
                                 {"Parameters::id": ids[(7, 17)], "IOTypes::id": 1, "Value": 0}],
        "OutputParameterIdList": [{"Parameters::id": ids[(7, 18)], "IOTypes::id": 2, "Value": 0}],
        "Comments::id": i + 1})

data = {
    "Units": [{"id": i, "Text": u} for u, i in unit_ids.items()],
    "Messages": messages,
    "Device": {"DataFileVersion": "1.05", "ModelNo": 41, "Model": "VQ-400 7.5kW",
               "InvSwVersion": "2.10", "KeypadCommOffset16": "0x1000",
               "KeypadCommOffset32": "0x2000", "ModelNoCommAddr": "0x0300",
               "MotorStatusCommAddr": "0x0305", "InvStatusCommAddr": "0x0306",
               "InvControlCommAddr": "0x0382", "ParaSaveCommAddr": "0x03E0"},
    "IO": {
        "Input": {"TotalNumOfBasic": 8, "TotalNumOfExt": 4, "NumInfoCommAddr": "0x0320",
                  "StatusCommAddr": "0x0321",
                  "BasicTerminalInfo": terminals("P@", 1, 8, 0x1441),
                  "ExtTerminalInfo": terminals("EP@", 1, 4, 0x1449), "Message::id": IN_FUNCS},
        "Output": {"TotalNumOfBasic": 3, "TotalNumOfExt": 3, "NumInfoCommAddr": "0x0322",
                   "StatusCommAddr": "0x0323",
                   "BasicTerminalInfo": [{"Title::id": title("Relay @"), "AtValue": "1", "CommAddr": "0x151E"},
                                         {"Title::id": title("Relay @"), "AtValue": "2", "CommAddr": "0x151F"},
                                         {"Title::id": title("Q@"), "AtValue": "1", "CommAddr": "0x1521"}],
                   "ExtTerminalInfo": terminals("Q@", 2, 3, 0x1522), "Message::id": OUT_FUNCS}},
    "ParameterGroups": groups,
    "CommonParameters": [
        {"CommAddr": "0x0300", "Title::id": title("Inverter Model"), "Def": 0, "Max": 0xFFFF, "Min": 0, "Point16": 0, "Attr": "0x0040"},
        {"CommAddr": "0x0301", "Title::id": title("Inverter Capacity"), "Def": 0, "Max": 0xFFFF, "Min": 0, "Point16": 1, "Unit::id": unit_ids["kW"], "Attr": "0x0040"},
        {"CommAddr": "0x0304", "Title::id": title("Output Freq"), "Def": 0, "Max": 40000, "Min": 0, "Point16": 2, "Unit::id": unit_ids["Hz"], "Attr": "0x0040"},
        {"CommAddr": "0x0310", "Title::id": title("Output Current"), "Def": 0, "Max": 20000, "Min": 0, "Point16": 1, "Unit::id": unit_ids["A"], "Attr": "0x0040"},
        {"CommAddr": "0x0311", "Title::id": title("Output Voltage"), "Def": 0, "Max": 1000, "Min": 0, "Point16": 0, "Unit::id": unit_ids["V"], "Attr": "0x0040"},
        {"CommAddr": "0x0312", "Title::id": title("Output Power"), "Def": 0, "Max": 10000, "Min": 0, "Point16": 1, "Unit::id": unit_ids["kW"], "Attr": "0x0040"},
        {"CommAddr": "0x0315", "Title::id": title("Inverter Temp"), "Def": 0, "Max": 1500, "Min": -400, "Point16": 1, "Unit::id": unit_ids["\u00b0C"], "Attr": "0x0040"},
        {"CommAddr": "0x0380", "Title::id": title("Command Freq"), "Def": 0, "Max": 40000, "Min": 0, "Point16": 2, "Unit::id": unit_ids["Hz"], "Attr": "0x0000"},
        {"CommAddr": "0x0382", "Title::id": title("Run Command"), "Def": 0, "Max": 3, "Min": 0, "Message::id": RUN_SOURCE, "Attr": "0x0000"},
        {"CommAddr": "0x0384", "Title::id": title("Temp Unit"), "Def": 0, "Max": 1, "Min": 0, "Message::id": TEMP_UNIT, "Attr": "0x0000"}],
    "Trips": {
        "StatusInfo": status_info,
        "CurrentTrip": {"FirstTripAddr": "0x0330", "TripAddr": ["0x0331", "0x0332", "0x0333"],
                        "StatusInfoData": [{"StatusInfo::id": s, "CommAddr": f"0x{0x0340 + s:04X}"} for s in range(1, 9)],
                        "Message::id": TRIPS},
        "CurrentWarning": {"FirstWarnAddr": "0x0334", "WarnAddr": ["0x0335"],
                           "StatusInfoData": [{"StatusInfo::id": s, "CommAddr": f"0x{0x0350 + s:04X}"} for s in (1, 2, 4)],
                           "Message::id": WARNINGS},
        "TripHistory": {"Count": 5}},
    "InitOrder": [{"Parameter::id": ids[key]} for key in
                  [(0, 14), (0, 9), (0, 20), (0, 18), (0, 19), (1, 5), (1, 6), (1, 7), (0, 6), (0, 7)]],
    "AdvUserSeq": {
        "ControlParameter": {"Parameters::id": ids[(7, 40)]},
        "StatusParameter": {"Parameters::id": ids[(7, 41)]},
        "CheckUserSeqFileValidationParameter": {"Parameters::id": ids[(7, 42)]},
        "LastErrorParameter": {"Parameters::id": ids[(7, 43)]},
        "BitPinTypes": [{"id": 1, "Name": "Bit"}, {"id": 2, "Name": "Word"}],
        "IOTypes": [{"id": 1, "Name": "Input"}, {"id": 2, "Name": "Output"}, {"id": 3, "Name": "Constant"}],
        "Comments": [{"id": i + 1, "contents": f"{n}: user sequence function block"} for i, n in enumerate(FB_NAMES)],
        "Groups": [{"id": 1, "Name": "Arithmetic"}, {"id": 2, "Name": "Logic"}, {"id": 3, "Name": "Time and Count"}],
        "FunctionList": function_list},
    "SimpleScope": {"Enable": {"Parameters::id": ids[(7, 1)]},
                    "SamplingTime": {"Parameters::id": ids[(7, 22)]},
                    "ParameterCount": {"Parameters::id": ids[(7, 23)]},
                    **{f"ParameterAddr{n}": {"Parameters::id": ids[(6, 29 + n)]} for n in range(1, 9)}},
}

out = pathlib.Path("examples")
out.mkdir(exist_ok=True)
(out / "M1_1_05.json").write_text(json.dumps(data, indent=1, ensure_ascii=False) + "\n", encoding="utf-8")
(out / "M1_1_05_Title.json").write_text(
    json.dumps({"Titles": [{"id": i, "Text": t} for i, t in titles.items()]}, indent=1,
               ensure_ascii=False) + "\n", encoding="utf-8")
print(f"{sum(len(g['Parameters']) for g in groups)} parameters, {len(messages)} messages, "
      f"{len(titles)} titles")
