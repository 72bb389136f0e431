#pragma once

class AbstractRMdiWidget;

// The first configuration of the input widgets: a picker over the operator
// input channels (those not hidden); cancelling closes the new widget.
void pickInputChannelOrClose(AbstractRMdiWidget* widget);
