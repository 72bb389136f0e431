#pragma once

// Start-up of the field-bus layer: the application calls these, in this
// order, so that the lower layers reach the CAN inputs and outputs.
namespace FieldBus {

// Registers the CAN input family with the channel registry and the factory of
// a recorded run's CAN inputs. Before the settings are restored.
void registerHooks();

// Second start-up stage, once the channel registry is built: loads
// "canInputs.xml" and starts decoding live frames.
void initCanInputs();

// Second start-up stage, once the dyno settings are ready: loads
// "canOutputs.xml" and makes every output message live.
void initCanOutputs();

// Second start-up stage, when the dyno settings link asks for them: loads
// "modbus.xml" and starts polling every interface.
void initModbus();

// Second start-up stage, once the dyno settings are ready: loads
// "serialInputDevices.xml", starts the instruments, and binds the Modbus
// write functions to the channels their arguments name.
void initSerialInputs();

} // namespace FieldBus
