set terminal png noenhanced size 1400,720
set output 'bench/results/latest.png'
set multiplot layout 1,2 title 'irstore: store cost per operation against repository size'
set logscale xy
set xrange [700:150000]
set xlabel 'objects in the repository'
set ylabel 'microseconds per operation'
set key left top font ',8'
set grid
set title 'postgresql'
plot 'bench/results/latest.dat' index 0 with linespoints title 'create', 'bench/results/latest.dat' index 1 with linespoints title 'object_from_id', 'bench/results/latest.dat' index 2 with linespoints title 'contents', 'bench/results/latest.dat' index 3 with linespoints title 'lookup_name_1', 'bench/results/latest.dat' index 4 with linespoints title 'lookup_name_all', 'bench/results/latest.dat' index 5 with linespoints title 'find_objects_global', 'bench/results/latest.dat' index 6 with linespoints title 'find_objects_scoped', 'bench/results/latest.dat' index 7 with linespoints title 'inherits_from', 'bench/results/latest.dat' index 8 with linespoints title 'add_to_bucket', 'bench/results/latest.dat' index 9 with linespoints title 'remove_from_bucket', 'bench/results/latest.dat' index 10 with linespoints title 'destroy_module', 'bench/results/latest.dat' index 11 with linespoints title 'update_repository_id', 'bench/results/latest.dat' index 12 with linespoints title 'contents_wide'
set title 'sqlite'
plot 'bench/results/latest.dat' index 13 with linespoints title 'create', 'bench/results/latest.dat' index 14 with linespoints title 'object_from_id', 'bench/results/latest.dat' index 15 with linespoints title 'contents', 'bench/results/latest.dat' index 16 with linespoints title 'lookup_name_1', 'bench/results/latest.dat' index 17 with linespoints title 'lookup_name_all', 'bench/results/latest.dat' index 18 with linespoints title 'find_objects_global', 'bench/results/latest.dat' index 19 with linespoints title 'find_objects_scoped', 'bench/results/latest.dat' index 20 with linespoints title 'inherits_from', 'bench/results/latest.dat' index 21 with linespoints title 'add_to_bucket', 'bench/results/latest.dat' index 22 with linespoints title 'remove_from_bucket', 'bench/results/latest.dat' index 23 with linespoints title 'destroy_module', 'bench/results/latest.dat' index 24 with linespoints title 'update_repository_id', 'bench/results/latest.dat' index 25 with linespoints title 'contents_wide'
unset multiplot
