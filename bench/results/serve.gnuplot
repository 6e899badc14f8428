set terminal png noenhanced size 1400,620
set output 'bench/results/serve.png'
set multiplot layout 1,2 title 'irstore serve: calls a second against clients, beside the floor'
set logscale y
set xrange [0:9]
set xtics (1, 4, 8)
set xlabel 'clients'
set ylabel 'calls a second'
set key outside right font ',8'
set grid
set title 'sqlite'
plot 'bench/results/serve.dat' index 0 with linespoints linecolor 1 title 'lookup_id', 'bench/results/serve.dat' index 1 with linespoints dashtype 2 linecolor 1 title 'lookup_id floor', 'bench/results/serve.dat' index 2 with linespoints linecolor 2 title 'describe_interface', 'bench/results/serve.dat' index 3 with linespoints dashtype 2 linecolor 2 title 'describe_interface floor', 'bench/results/serve.dat' index 4 with linespoints linecolor 3 title 'contents', 'bench/results/serve.dat' index 5 with linespoints dashtype 2 linecolor 3 title 'contents floor', 'bench/results/serve.dat' index 6 with linespoints linecolor 4 title 'create_operation', 'bench/results/serve.dat' index 7 with linespoints dashtype 2 linecolor 4 title 'create_operation floor'
set title 'postgresql'
plot 'bench/results/serve.dat' index 8 with linespoints linecolor 1 title 'lookup_id', 'bench/results/serve.dat' index 9 with linespoints dashtype 2 linecolor 1 title 'lookup_id floor', 'bench/results/serve.dat' index 10 with linespoints linecolor 2 title 'describe_interface', 'bench/results/serve.dat' index 11 with linespoints dashtype 2 linecolor 2 title 'describe_interface floor', 'bench/results/serve.dat' index 12 with linespoints linecolor 3 title 'contents', 'bench/results/serve.dat' index 13 with linespoints dashtype 2 linecolor 3 title 'contents floor', 'bench/results/serve.dat' index 14 with linespoints linecolor 4 title 'create_operation', 'bench/results/serve.dat' index 15 with linespoints dashtype 2 linecolor 4 title 'create_operation floor'
unset multiplot
